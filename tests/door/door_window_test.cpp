// The door-phone window against the module simulator answering as a door phone (type 75) on a
// pseudo-terminal: hand-over, send and read through the K6 window's engine and how they ended, the
// hour wrap, the SMS forwarding target, the hover feedback, the buttons that reach the other
// windows, and exit. The test ticks the engine itself; message boxes are answered through the K6
// window's hook.

#include "k6config/memory_map.h"
#include "k6config/page_values.h"
#include "k6link/config_transfer.h"
#include "k6link/core_states.h"
#include "k6link/engine.h"
#include "serial/settings.h"
#include "sim/pty_module.h"
#include "tests/support/hand_over.h"
#include "tests/support/wait.h"
#include "tests/support/window_fixture.h"
#include "ui/forms.h"
#include "ui/k6_backup_side.h"
#include "ui/door_phone_window.h"
#include "ui/start_window.h"
#include "ui/config_window.h"
#include "ui/language_pass.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <cctype>
#include <deque>
#include <gtest/gtest.h>
#include <ostream>

using namespace dalvex;
using dalvex::test::waitFor;
namespace k6state = dalvex::k6link::state;

namespace {

// Typing into an editor, key by key.
void type(QWidget* editor, const QString& text) {
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(editor, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(editor, &release);
    }
}

void enter(QWidget* w) {
    QEnterEvent e(QPointF(2, 2), QPointF(2, 2), w->mapToGlobal(QPointF(2, 2)));
    QApplication::sendEvent(w, &e);
}

struct DoorWindowFixture : test::SimWindowFixture {
    void SetUp() override {
        test::SimWindowFixture::SetUp();
        module.withModule([](sim::ModuleSim& m) { m.setTypeCode(75); });
    }

    template <typename W = QWidget> W* control(const char* name) {
        W* w = qobject_cast<W*>(doorPhoneWindow->Control(QString::fromLatin1(name)));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }

    // Creates the windows with every timer held by the test and activates the start window.
    void start() {
        test::CreateFormsWithTimersHeld();
        startWindow->Activate();
    }
    // The door phone on COM1, found by the start window and handed over with "Indít".
    void handOver() {
        ASSERT_TRUE(module.linkAs(ports.path().toStdString(), 1)) << module.error();
        start();
        for (int i = 0; i < 12 && !startWindow->StartButton->isEnabled(); ++i) {
            startWindow->SendTick();
            waitFor([&] { return startWindow->StartButton->isEnabled(); }, 1000);
        }
        ASSERT_TRUE(startWindow->StartButton->isEnabled());
        startWindow->StartButton->click();
        startWindow->HandOverTick();
        ASSERT_TRUE(doorPhoneWindow->isVisible());
        // This window's activation runs the K6 window's, which asks for the software version.
        ASSERT_TRUE(waitFor([&] { return doorPhoneWindow->isActiveWindow(); }, 1000));
    }
    // Hand-over, the start window's release of the port and the version query.
    void connect() {
        handOver();
        ASSERT_EQ(engine().OpState, k6state::VersionQuery);
        startWindow->SendTick();
        ASSERT_TRUE(runToIdle());
    }
};

} // namespace

TEST_F(DoorWindowFixture, HandOverOfCode75ShowsThisWindowAndTheVersionReplyEnablesSendAndRead) {
    handOver();
    EXPECT_FALSE(configWindow->isVisible());
    EXPECT_FALSE(startWindow->isVisible());
    EXPECT_EQ(configWindow->ModuleType, 72);
    EXPECT_EQ(doorPhoneWindow->windowTitle(), "Dalvex - Portun GSM");
    EXPECT_EQ(doorPhoneWindow->ModelLabel->text(), "Portun GSM");
    EXPECT_FALSE(doorPhoneWindow->SendButton->isEnabled());
    EXPECT_FALSE(doorPhoneWindow->ReadButton->isEnabled());
    EXPECT_FALSE(doorPhoneWindow->TransferProgress->isVisible());
    EXPECT_FALSE(doorPhoneWindow->ForwardingTarget->isEnabled());

    startWindow->SendTick();
    ASSERT_TRUE(runToIdle());
    EXPECT_TRUE(doorPhoneWindow->SendButton->isEnabled());
    EXPECT_TRUE(doorPhoneWindow->ReadButton->isEnabled());
    EXPECT_EQ(configWindow->StatusPanel(2), "Sw: 8.4");
}

TEST_F(DoorWindowFixture, SendStoresTheFlatsThePresetsAndTheDoorPhoneBytes) {
    connect();
    // The module's inputs had voice and SMS targets of their own: the send replaces them.
    for (const char* list : {"VOICEst2", "SMSst1", "SMSst4"})
        configWindow->Values->setMask(list, 0xFF);
    configWindow->Values->setText("MaskEdit5", "0655555555");

    type(control("MaskEdit1"), "06301111111");
    type(control("MaskEdit8"), "+36208888888");
    qobject_cast<QLineEdit*>(control("MaskEdit5"))->clear();
    control<QCheckBox>("CheckBox1")->click();
    control<QSpinBox>("SpinEdit2")->setValue(21);
    control<QSpinBox>("SpinEdit3")->setValue(5);
    control<QSpinBox>("SpinEdit4")->setValue(40);
    doorPhoneWindow->MicrophoneLevel->setValue(7);
    doorPhoneWindow->SpeakerLevel->setValue(2);

    doorPhoneWindow->SendButton->click();
    EXPECT_TRUE(doorPhoneWindow->TransferProgress->isVisible());
    EXPECT_FALSE(doorPhoneWindow->SendButton->isEnabled()) << "no second send while one runs";
    EXPECT_FALSE(doorPhoneWindow->ReadButton->isEnabled());
    // The K6 window's transfer drives this window's gauge.
    runUntil([&] { return configWindow->TransferProgress->value() >= 3; }, 100);
    EXPECT_GE(doorPhoneWindow->TransferProgress->value(), 3);
    EXPECT_EQ(doorPhoneWindow->TransferProgress->value(), configWindow->TransferProgress->value());
    EXPECT_EQ(doorPhoneWindow->TransferProgress->maximum(), configWindow->TransferProgress->maximum());
    ASSERT_TRUE(runToIdle());
    EXPECT_EQ(configWindow->StatusPanel(3), "Adatküldés sikeres!");
    EXPECT_FALSE(doorPhoneWindow->TransferProgress->isVisible());
    EXPECT_TRUE(doorPhoneWindow->SendButton->isEnabled());

    // Only the bell targets of the two numbers set, and no SMS target.
    EXPECT_EQ(configWindow->Values->mask("VOICEst1"), 0x01);
    EXPECT_EQ(configWindow->Values->mask("VOICEst2"), 0x00);
    EXPECT_EQ(configWindow->Values->mask("VOICEst3"), 0x00);
    EXPECT_EQ(configWindow->Values->mask("VOICEst4"), 0x80);
    module.withModule([](sim::ModuleSim& m) {
        const auto mem = m.memory();
        const std::uint8_t voice[] = {0x01, 0x00, 0x00, 0x80};
        for (int i = 0; i < 4; ++i) {
            SCOPED_TRACE(i + 1);
            const std::size_t at = 8 + 4 * static_cast<std::size_t>(i);
            EXPECT_EQ(mem[at] & 0x80, 0x80) << "normally open";
            EXPECT_EQ(mem[at + 1], 0) << "SMS targets";
            EXPECT_EQ(mem[at + 2], voice[i]) << "voice targets";
            EXPECT_EQ(mem[at + 3] & 0x04, 0) << "siren tone";
        }
        const auto phone = [&](int n) {
            const auto* p = mem.data() + k6config::kPhoneBase + k6config::kPhoneStride * (n - 1);
            return QByteArray(reinterpret_cast<const char*>(p), 12);
        };
        EXPECT_TRUE(phone(1).startsWith("06301111111"));
        EXPECT_EQ(phone(8), "+36208888888");
        EXPECT_FALSE(phone(5).startsWith("0655")) << "the flat's number was cleared here";
        EXPECT_EQ(mem[78], 40);
        EXPECT_EQ(mem[79], 4) << "call repetitions";
        EXPECT_EQ(mem[76] & 0x10, 0x10) << "microphone mode";
        EXPECT_EQ(mem[111], 7);
        EXPECT_EQ(mem[112], 2);
        EXPECT_EQ(mem[115], 0xFF);
        EXPECT_EQ(mem[116], 21);
        EXPECT_EQ(mem[117], 5);
    });
}

// The send here is the K6 window's: after a read here it writes only what changed, reads it back,
// and leaves the module as a whole send would (a whole send writes the image's configuration
// blocks and bank 0x35).
TEST_F(DoorWindowFixture, SendAfterAReadGoesByWhatChanged) {
    connect();
    doorPhoneWindow->ReadButton->click();
    ASSERT_TRUE(runToIdle());
    // The fresh module holds none of what the pages encode: the first send writes all of that.
    doorPhoneWindow->SendButton->click();
    ASSERT_TRUE(runToIdle());
    ASSERT_EQ(configWindow->Transfer().LastSend().whole, k6link::WholeReason::None);
    doorPhoneWindow->MicrophoneLevel->setValue(doorPhoneWindow->MicrophoneLevel->value() == 7 ? 6 : 7);
    doorPhoneWindow->SendButton->click();
    EXPECT_EQ(doorPhoneWindow->TransferStatus->text(), configWindow->Transfer().Texts.ChangedSending);
    ASSERT_TRUE(runToIdle());
    const k6link::SendReport& sent = configWindow->Transfer().LastSend();
    EXPECT_EQ(sent.whole, k6link::WholeReason::None);
    EXPECT_EQ(sent.written, 1);
    EXPECT_EQ(doorPhoneWindow->TransferStatus->text(), configWindow->Transfer().Texts.ChangedBlocksDone.arg(1));
    const auto& image = engine().ConfigImage;
    module.withModule([&](sim::ModuleSim& m) {
        EXPECT_EQ(m.memory()[111], doorPhoneWindow->MicrophoneLevel->value());
        for (std::uint32_t a = 0; a < 0x600; ++a)
            ASSERT_EQ(m.memory()[a], image.at(a)) << a;
        for (std::uint32_t a = 0x350000; a < 0x350500; ++a)
            ASSERT_EQ(m.memory()[a], image.at(a)) << a;
    });
}

TEST_F(DoorWindowFixture, ReadBringsTheModulesFlatsAndDoorPhoneBytesIntoThisWindow) {
    module.withModule([](sim::ModuleSim& m) {
        auto mem = m.memory();
        const QByteArray numbers[] = {"06301111111", "0630222", "", "", "", "", "", "+36208888888"};
        for (int n = 1; n <= 8; ++n) {
            auto* p = mem.data() + k6config::kPhoneBase + k6config::kPhoneStride * (n - 1);
            std::fill(p, p + 16, 0xFF);
            std::copy(numbers[n - 1].begin(), numbers[n - 1].end(), p);
        }
        mem[77] = 1; // SMS forwarding to number 2
        mem[78] = 25;
        mem[113] = 60;
        mem[111] = 3;
        mem[112] = 8;
        mem[115] = 0xFF;
        mem[116] = 22;
        mem[117] = 7;
    });
    connect();
    doorPhoneWindow->ReadButton->click();
    EXPECT_TRUE(doorPhoneWindow->TransferProgress->isVisible());
    ASSERT_TRUE(runToIdle());
    EXPECT_EQ(configWindow->StatusPanel(3), "Összes adat kiolvasása sikeres!");
    EXPECT_FALSE(doorPhoneWindow->TransferProgress->isVisible());

    EXPECT_EQ(qobject_cast<QLineEdit*>(control("MaskEdit1"))->text().trimmed(), "06301111111");
    EXPECT_EQ(qobject_cast<QLineEdit*>(control("MaskEdit2"))->text().trimmed(), "0630222");
    EXPECT_EQ(qobject_cast<QLineEdit*>(control("MaskEdit3"))->text().trimmed(), "");
    EXPECT_EQ(qobject_cast<QLineEdit*>(control("MaskEdit8"))->text().trimmed(), "+36208888888");
    EXPECT_EQ(control<QSpinBox>("SpinEdit4")->value(), 25);
    EXPECT_EQ(control<QSpinBox>("SpinEdit18")->value(), 60);
    EXPECT_TRUE(control<QCheckBox>("CheckEgyeb2")->isChecked());
    EXPECT_TRUE(doorPhoneWindow->ForwardingTarget->isEnabled());
    EXPECT_EQ(doorPhoneWindow->ForwardingTarget->currentIndex(), 1);
    EXPECT_EQ(doorPhoneWindow->MicrophoneLevel->value(), 3);
    EXPECT_EQ(doorPhoneWindow->SpeakerLevel->value(), 8);
    EXPECT_TRUE(control<QCheckBox>("CheckBox1")->isChecked());
    EXPECT_EQ(control<QSpinBox>("SpinEdit2")->value(), 22);
    EXPECT_EQ(control<QSpinBox>("SpinEdit3")->value(), 7);
}

TEST_F(DoorWindowFixture, TypedHoursWrapAround) {
    symlink("/nonexistent/tty", (ports.path() + "/com1").toLocal8Bit().constData());
    start();
    struct Case {
        const char* spin;
        const char* typed;
        int shown;
    };
    // "órától" starts at 23: -1 typed there leaves the value as it was and must still show 23.
    for (const Case& c : {Case{"SpinEdit2", "-1", 23}, Case{"SpinEdit3", "24", 0}, Case{"SpinEdit2", "5", 5},
                          Case{"SpinEdit2", "-1", 23}, Case{"SpinEdit3", "-1", 23}}) {
        SCOPED_TRACE(testing::Message() << c.spin << " " << c.typed);
        auto* spin = control<QSpinBox>(c.spin);
        spin->selectAll();
        type(spin, QString::fromLatin1(c.typed));
        EXPECT_EQ(spin->value(), c.shown);
        EXPECT_EQ(spin->text(), QString::number(c.shown));
        EXPECT_EQ(doorPhoneWindow->Values->number(c.spin), c.shown);
    }
}

TEST_F(DoorWindowFixture, ForwardingTargetListsTheNumbersSetWhenEntered) {
    symlink("/nonexistent/tty", (ports.path() + "/com1").toLocal8Bit().constData());
    start();
    QComboBox* box = doorPhoneWindow->ForwardingTarget;
    EXPECT_FALSE(box->isEnabled());
    control<QCheckBox>("CheckEgyeb2")->click();
    EXPECT_TRUE(box->isEnabled());
    EXPECT_EQ(box->currentIndex(), 0) << "ticked forwarding always has a target";
    box->setCurrentIndex(4);

    type(control("MaskEdit3"), "06701234567");
    QStringList before;
    for (int i = 0; i < box->count(); ++i)
        before << box->itemText(i);
    EXPECT_EQ(before[2], "Phone3") << "the items change when the list is entered";

    QFocusEvent focus(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(box, &focus);
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    EXPECT_EQ(items, (QStringList{"Phone1", "Phone2", "06701234567", "Phone4", "Phone5", "Phone6", "Phone7",
                                  "Phone8"}));
    EXPECT_EQ(box->currentIndex(), 4);
    EXPECT_EQ(doorPhoneWindow->Values->index("ComboBox11"), 4);

    control<QCheckBox>("CheckEgyeb2")->click();
    EXPECT_FALSE(box->isEnabled());
    EXPECT_EQ(box->currentIndex(), 4);
}

TEST_F(DoorWindowFixture, HoverColoursFieldsAndBoldsButtonsUntilTheBackgroundPicture) {
    symlink("/nonexistent/tty", (ports.path() + "/com1").toLocal8Bit().constData());
    start();
    doorPhoneWindow->show();
    doorPhoneWindow->Activate();
    const QColor window = doorPhoneWindow->palette().color(QPalette::Base);
    const QColor silver(192, 192, 192);
    ASSERT_NE(window, silver);
    const auto base = [&](const char* name) { return control(name)->palette().color(QPalette::Base); };
    const auto bold = [&](QPushButton* b) { return b->font().bold(); };

    const char* const fields[] = {"MaskEdit1", "MaskEdit4", "MaskEdit8", "SpinEdit4", "SpinEdit18",
                                  "SpinEdit2", "SpinEdit3", "SpinKI1",   "SpinKI2",   "Edit1"};
    for (const char* f : fields) {
        enter(control(f));
        EXPECT_EQ(base(f), silver) << f;
    }
    for (QPushButton* b : {doorPhoneWindow->NormalViewButton, doorPhoneWindow->ModuleStatusButton,
                           doorPhoneWindow->EventLogButton, doorPhoneWindow->SignalButton,
                           doorPhoneWindow->SendButton, doorPhoneWindow->ExitButton}) {
        enter(b);
        EXPECT_TRUE(bold(b)) << b->objectName().toStdString();
    }
    EXPECT_EQ(doorPhoneWindow->EventLogButton->font(), doorPhoneWindow->ModuleStatusButton->font());

    // The bare window returns only the first phone field.
    QMouseEvent move(QEvent::MouseMove, QPointF(1, 1), doorPhoneWindow->mapToGlobal(QPointF(1, 1)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    ASSERT_EQ(doorPhoneWindow->childAt(QPoint(1, 1)), nullptr);
    QApplication::sendEvent(doorPhoneWindow, &move);
    EXPECT_EQ(base("MaskEdit1"), window);
    EXPECT_EQ(base("MaskEdit4"), silver);
    EXPECT_TRUE(bold(doorPhoneWindow->ModuleStatusButton));

    // The background picture returns everything.
    enter(doorPhoneWindow->Background);
    for (const char* f : fields)
        EXPECT_EQ(base(f), window) << f;
    for (QPushButton* b : {doorPhoneWindow->NormalViewButton, doorPhoneWindow->ModuleStatusButton,
                           doorPhoneWindow->EventLogButton, doorPhoneWindow->SignalButton,
                           doorPhoneWindow->SendButton, doorPhoneWindow->ExitButton})
        EXPECT_FALSE(bold(b)) << b->objectName().toStdString();
}

TEST_F(DoorWindowFixture, ButtonsReachTheK6WindowAndItsMenuItems) {
    connect();
    struct Case {
        QPushButton* button;
        QAction* popup;
        const char* item;
    };
    for (const Case& c : {Case{doorPhoneWindow->ModuleStatusButton, nullptr, "Modulllapotmegjelentse1"},
                          Case{doorPhoneWindow->EventLogButton, nullptr, "Naplokiolvassa1"},
                          Case{doorPhoneWindow->SignalButton, nullptr, "rer1"},
                          Case{nullptr, doorPhoneWindow->FirmwareUpdateItem, "FirmwareDownload1"}}) {
        SCOPED_TRACE(c.item);
        QAction* item = configWindow->MenuItem(QString::fromLatin1(c.item));
        ASSERT_NE(item, nullptr);
        // Whatever the item opens is the K6 window's business: here only the click is counted.
        QObject::disconnect(item, &QAction::triggered, nullptr, nullptr);
        item->setEnabled(true);
        int clicks = 0;
        QObject::connect(item, &QAction::triggered, [&] { ++clicks; });
        if (c.button) c.button->click();
        if (c.popup) c.popup->trigger();
        EXPECT_EQ(clicks, 1);
    }

    answers = {QMessageBox::Yes};
    doorPhoneWindow->RestartButton->click();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], "Biztosan újra akarja indítani az eszközt?");
    EXPECT_EQ(engine().OpState, k6state::Restart);
    ASSERT_TRUE(runToIdle());

    doorPhoneWindow->NormalViewButton->click();
    EXPECT_TRUE(configWindow->isVisible());
    EXPECT_TRUE(doorPhoneWindow->isVisible()) << "the compact window stays open";
}

TEST_F(DoorWindowFixture, KilépésEndsTheProgramAndAsksWhileAnOperationRuns) {
    connect();
    bool ended = false;
    QObject::connect(startWindow, &StartWindow::FormClosed, [&] { ended = true; });

    doorPhoneWindow->ReadButton->click();
    answers = {QMessageBox::No};
    doorPhoneWindow->ExitButton->click();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], "Művelet van folyamatban, biztosan ki akar lépni?!");
    EXPECT_TRUE(doorPhoneWindow->isVisible());
    EXPECT_FALSE(ended);

    ASSERT_TRUE(runToIdle());
    shown.clear();
    doorPhoneWindow->ExitButton->click();
    EXPECT_TRUE(shown.empty());
    EXPECT_FALSE(doorPhoneWindow->isVisible());
    EXPECT_TRUE(ended);
}

TEST_F(DoorWindowFixture, TryOutOpensThisWindowWithoutTalkingToTheModule) {
    ASSERT_TRUE(module.linkAs(ports.path().toStdString(), 1));
    start();
    startWindow->DoorTryOutButton->click();
    startWindow->HandOverTick();
    ASSERT_TRUE(doorPhoneWindow->isVisible());
    EXPECT_FALSE(configWindow->isVisible());
    EXPECT_TRUE(configWindow->DemoMode);
    EXPECT_EQ(configWindow->ModuleType, 72);
    doorPhoneWindow->Activate();
    startWindow->SendTick();
    for (int i = 0; i < 8; ++i)
        configWindow->EngineTick();
    EXPECT_EQ(engine().OpState, 0);
    test::pumpFor(50);
    EXPECT_TRUE(module.receivedBytes().empty());
    EXPECT_FALSE(doorPhoneWindow->SendButton->isEnabled()) << "nothing to send to without a module";
}

namespace {

// A send or read started here, and how it ends: completed, or cut off after some exchanges by
// the simulator's fault, with the texts the K6 window shows for its start and its end in the
// window's language.
struct TransferEndCase {
    const char* name;
    const char* language;
    bool send;
    sim::Fault fault;
    int after; // exchanges answered before the fault strikes
    const char* running;
    const char* ended;
};

void PrintTo(const TransferEndCase& c, std::ostream* os) {
    *os << c.name;
}

struct DoorTransferEnd : DoorWindowFixture, ::testing::WithParamInterface<TransferEndCase> {};

} // namespace

// The K6 window's status bar, where a read or send tells how it went, is hidden behind this
// window: this window shows the start and the end itself and takes its activity strip down at the
// end, also when the end is a failure.
TEST_P(DoorTransferEnd, ShowsHowTheSendOrReadEndedAndTakesTheStripDown) {
    const TransferEndCase& c = GetParam();
    WriteSetting(QStringLiteral("\\software\\GSM\\Dalvex"), QStringLiteral("Language"),
                 QString::fromLatin1(c.language));
    connect();
    module.setFault(c.fault, c.after);
    (c.send ? doorPhoneWindow->SendButton : doorPhoneWindow->ReadButton)->click();
    EXPECT_TRUE(doorPhoneWindow->TransferProgress->isVisible());
    EXPECT_EQ(doorPhoneWindow->TransferStatus->text(), QString::fromUtf8(c.running));

    ASSERT_TRUE(runUntil([&] { return engine().OpState == 0 || configWindow->SerialPort->Lost(); }));
    ASSERT_TRUE(runToIdle());
    EXPECT_EQ(configWindow->StatusPanel(3), QString::fromUtf8(c.ended));
    EXPECT_EQ(doorPhoneWindow->TransferStatus->text(), QString::fromUtf8(c.ended));
    EXPECT_TRUE(doorPhoneWindow->TransferStatus->isVisible());
    EXPECT_FALSE(doorPhoneWindow->TransferProgress->isVisible());
    EXPECT_TRUE(doorPhoneWindow->SendButton->isEnabled());
    EXPECT_TRUE(doorPhoneWindow->ReadButton->isEnabled());
}

// A block send to this model is 6 + 5 block writes and then the clock set.
INSTANTIATE_TEST_SUITE_P(
    Cases, DoorTransferEnd,
    ::testing::Values(TransferEndCase{"send completes", "0", true, sim::Fault::None, 0,
                                      "Összes adat elküldése folyamatban...", "Adatküldés sikeres!"},
                      TransferEndCase{"read completes", "1", false, sim::Fault::None, 0,
                                      "Reading all data...", "All data read successfully!"},
                      TransferEndCase{"send, adapter pulled", "1", true, sim::Fault::Vanish, 3,
                                      "Sending all data...", "COM port lost"},
                      TransferEndCase{"read, adapter pulled", "0", false, sim::Fault::Vanish, 2,
                                      "Összes adat kiolvasása folyamatban...", "COM port elveszett"},
                      TransferEndCase{"send, line closed at the clock set", "2", true, sim::Fault::HangUp, 11,
                                      "Alle Daten werden gesendet...", "COM-Port verloren"}),
    [](const ::testing::TestParamInfo<TransferEndCase>& info) {
        std::string name;
        for (const char* p = info.param.name; *p; ++p)
            if (std::isalnum(static_cast<unsigned char>(*p))) name += *p;
        return name;
    });

// A send the K6 window turns down (the technician declined its list of changes) never starts, so
// no end comes: the strip shown for it goes again at once and the last result stays.
TEST_F(DoorWindowFixture, SendDeclinedInTheK6WindowTakesTheStripDownAtOnce) {
    connect();
    doorPhoneWindow->ReadButton->click();
    ASSERT_TRUE(runToIdle());
    ASSERT_EQ(doorPhoneWindow->TransferStatus->text(), "Összes adat kiolvasása sikeres!");

    int asked = 0;
    K6BackupSide::ConfirmHook = [&](const std::vector<K6BackupSide::ShownRow>&) {
        ++asked;
        return false;
    };
    const std::size_t received = module.receivedCount();
    doorPhoneWindow->SendButton->click();
    K6BackupSide::ConfirmHook = nullptr;
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(engine().OpState, 0);
    EXPECT_FALSE(doorPhoneWindow->TransferProgress->isVisible());
    EXPECT_EQ(doorPhoneWindow->TransferStatus->text(), "Összes adat kiolvasása sikeres!");
    EXPECT_TRUE(doorPhoneWindow->SendButton->isEnabled());
    for (int i = 0; i < 5; ++i)
        configWindow->EngineTick();
    test::pumpFor(30);
    EXPECT_EQ(module.receivedCount(), received);
}

// A send from this window lists its changes under this window's names ("Flat 4"), and what every
// door-phone send sets whatever the window holds under one heading that says so, after the rest.
TEST_F(DoorWindowFixture, ItsListOfChangesNamesTheFlatsAndGroupsWhatEverySendSets) {
    struct Case {
        const char* language;
        const char* page;
        const char* flat4;
        const char* everySend;
        const char* k6Name; // what the K6 window calls the same field
    };
    const Case cases[] = {
        {"0", "Kaputelefon telefonszámok beállítása", "Lakás 4", "Minden kaputelefon-küldés beállítja",
         "Telefonszám 7"},
        {"1", "Door phone numbers", "Flat 4", "Set by every door-phone send", "Phone number 7"},
    };
    connect();
    doorPhoneWindow->ReadButton->click();
    ASSERT_TRUE(runToIdle());
    std::vector<K6BackupSide::ShownRow> rows;
    K6BackupSide::ConfirmHook = [&](const std::vector<K6BackupSide::ShownRow>& shown) {
        rows = shown;
        return false;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.language);
        WriteSetting(QStringLiteral("\\software\\GSM\\Dalvex"), QStringLiteral("Language"),
                     QString::fromLatin1(c.language));
        RunStartLanguagePass(*configWindow);
        doorPhoneWindow->Values->setText("MaskEdit7", QStringLiteral("36301234567"));
        rows.clear();
        doorPhoneWindow->SendButton->click();
        ASSERT_FALSE(rows.empty());
        bool flatSeen = false, presetSeen = false, afterPresets = false;
        for (const auto& r : rows) {
            EXPECT_NE(r.field, QString::fromUtf8(c.k6Name));
            if (r.field == QString::fromUtf8(c.flat4)) {
                flatSeen = true;
                EXPECT_EQ(r.page, QString::fromUtf8(c.page));
                EXPECT_EQ(r.after, QStringLiteral("36301234567"));
            }
            if (r.page == QString::fromUtf8(c.everySend))
                presetSeen = true;
            else if (presetSeen)
                afterPresets = true;
        }
        EXPECT_TRUE(flatSeen);
        EXPECT_TRUE(presetSeen) << "the presets and bell lists of the send under their heading";
        EXPECT_FALSE(afterPresets) << "the heading's rows come together, last";
    }
    K6BackupSide::ConfirmHook = nullptr;
}

// The version query every activation starts is no operation to ask about: "Kilépés" right after
// this window comes to the front ends the program at once.
TEST_F(DoorWindowFixture, KilépésAfterAnActivationAsksNothing) {
    connect();
    bool ended = false;
    QObject::connect(startWindow, &StartWindow::FormClosed, [&] { ended = true; });
    doorPhoneWindow->Activate();
    ASSERT_EQ(engine().OpState, k6link::state::VersionQuery);
    doorPhoneWindow->ExitButton->click();
    EXPECT_TRUE(shown.empty());
    EXPECT_TRUE(ended);
    settle();
}
