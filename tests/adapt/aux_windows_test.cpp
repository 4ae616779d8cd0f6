// The wiring, screen-resolution and contact windows, and the drawings the program carries.

#include "adapt_fixture.h"
#include "i18n/product_variant.h"
#include "k6config/cp1250.h"
#include "ui/pictures/svg_picture.h"
#include "ui/wiring_window.h"
#include "ui/resolution_window.h"
#include "ui/contact_window.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSvgRenderer>
#include <optional>

using namespace dalvex;
using namespace dalvex::test;

namespace {
struct AuxFixture : WindowsFixture {};
} // namespace

TEST(Pictures, EveryDrawingLoads) {
    for (int type : {72, 73, 74}) {
        for (const QString& source : {WiringPicture(type), HeaderPicture(type)}) {
            SCOPED_TRACE(source.toStdString());
            SvgPicture picture(QStringLiteral("p"));
            picture.SetSource(source);
            EXPECT_TRUE(picture.HasPicture());
            EXPECT_FALSE(picture.sizeHint().isEmpty());
        }
    }
    EXPECT_NE(WiringPicture(72), WiringPicture(74));
}

TEST_F(AuxFixture, MenuItemsOpenTheWiringResolutionAndContactWindows) {
    start();
    handOver(72, true);
    configWindow->Activate();
    struct Item {
        const char* menu;
        QWidget* window;
    };
    for (const Item& i : {Item{"Bektsirajz1", wiringWindow}, Item{"Kpernyfelbontsbelltsa1", resolutionWindow},
                          Item{"Contact1", contactWindow}}) {
        SCOPED_TRACE(i.menu);
        QAction* a = configWindow->MenuItem(i.menu);
        ASSERT_TRUE(a->isEnabled());
        a->trigger();
        EXPECT_TRUE(i.window->isVisible());
        EXPECT_TRUE(i.window->isModal());
        i.window->close();
    }
    EXPECT_FALSE(wiringWindow->PrintButton->isEnabled()) << "printing has no function";
    wiringWindow->show();
    wiringWindow->ExitButton->click();
    EXPECT_FALSE(wiringWindow->isVisible());
}

TEST_F(AuxFixture, ResolutionWindowShowsAndStoresTheMonitorSetting) {
    struct Case {
        const char* stored;
        int item;
        const char* after;
    };
    start();
    for (const Case& c : {Case{"", 1, "1"}, Case{"4", 4, "4"}, Case{"0", 0, "0"}, Case{"9", 2, "9"}}) {
        SCOPED_TRACE(c.stored);
        setting("monitor", c.stored);
        resolutionWindow->Activate();
        EXPECT_EQ(resolutionWindow->ItemIndex(), c.item);
        EXPECT_EQ(setting("monitor"), c.after);
        EXPECT_FALSE(resolutionWindow->RestartNote->isHidden());
    }
    resolutionWindow->show();
    resolutionWindow->SetItemIndex(3);
    resolutionWindow->ApplyButton->click();
    EXPECT_EQ(setting("monitor"), "3");
    EXPECT_FALSE(resolutionWindow->isVisible());
}

TEST_F(AuxFixture, ContactWindowShowsContactTxtInEitherEncodingElseTheBuiltInText) {
    const QString hungarianBlock = MakeBrandFields().ContactText;
    const QString text =
        QStringLiteral("Kőbányai Szerviz Kft.\nÜgyfélszolgálat: hétfőtől péntekig\nŐrző Űrsula");
    struct Case {
        const char* name;
        std::optional<QByteArray> file; // none: no contact.txt
        const char* language;
        QString shown;
    };
    QByteArray utf8Crlf = text.toUtf8();
    utf8Crlf.replace("\n", "\r\n");
    const Case cases[] = {
        {"missing, Hungarian", std::nullopt, "0", hungarianBlock},
        {"missing, English", std::nullopt, "1", EnglishContactText()},
        {"missing, German", std::nullopt, "2", EnglishContactText()},
        {"missing, unknown language", std::nullopt, "9", EnglishContactText()},
        {"UTF-8", text.toUtf8(), "1", text},
        {"UTF-8 with CR LF and a mark", QByteArray("\xEF\xBB\xBF") + utf8Crlf, "0", text},
        {"Windows-1250", k6config::ToCp1250(text), "1", text},
        {"Windows-1250 with CR LF", k6config::ToCp1250(QString(text).replace("\n", "\r\n")), "0", text},
        {"empty file", QByteArray(), "0", QString()},
    };
    start();
    configWindow->Activate(); // the K6 window's logo
    const QString path = startDir.path() + "/contact.txt";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(path);
        if (c.file) {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(*c.file);
        }
        setting("Language", c.language);
        contactWindow->Activate();
        EXPECT_EQ(contactWindow->TextView->toPlainText(), c.shown);
    }
    EXPECT_FALSE(hungarianBlock.isEmpty());
    EXPECT_NE(hungarianBlock, EnglishContactText());
    EXPECT_FALSE(contactWindow->Logo->pixmap().isNull()) << "the K6 window's logo";
}

TEST_F(AuxFixture, UnreadableContactTxtFallsBackToTheBuiltInText) {
    start();
    setting("Language", "0");
    ASSERT_TRUE(QDir(startDir.path()).mkdir("contact.txt")); // a folder of that name
    contactWindow->Activate();
    EXPECT_EQ(contactWindow->TextView->toPlainText(), configWindow->ContactText);
}
