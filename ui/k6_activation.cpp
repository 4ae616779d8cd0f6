#include "k6_activation.h"

#include "k6_voice_side.h"
#include "language_pass.h"

#include "forms.h"
#include "i18n/product_variant.h"
#include "k6_file_commands.h"
#include "k6config/page_values.h"
#include "k6link/core_states.h"
#include "k6pages/k6pages.h"
#include "k6pages/page_rules.h"
#include "pictures/svg_picture.h"
#include "serial/settings.h"
#include "start_window.h"
#include "config_window.h"
#include "status_window.h"
#include "wiring_window.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QTabWidget>
#include <cmath>
#include <vector>

namespace dalvex {

namespace k6state = k6link::state;

namespace {

using Self = K6Activation;

// The line-simulator model (74) has no inputs 3 and 4.
constexpr const char* kHiddenOnLineModel[] = {
    "TAVbe3", "TAVbe4", "CIDbe3",   "CIDbe4",   "ZONAbe3",      "ZONAbe4",      "Label94",     "Label95",
    "Edit14", "Edit15", "BitBtn10", "BitBtn11", "MediaPlayer4", "MediaPlayer5", "CheckEgyeb5",
};

// The compact model (73) has no inputs 3 and 4 and no tamper.
constexpr const char* kHiddenOnCompactModel[] = {
    "TAVbe3",  "TAVbe4",     "Label136", "CIDbe3",   "CIDbe4",       "CIDtamper",    "ZONAbe3",
    "ZONAbe4", "ZONAtamper", "Label94",  "Label95",  "Label106",     "Edit14",       "Edit15",
    "Edit19",  "BitBtn10",   "BitBtn11", "BitBtn15", "MediaPlayer4", "MediaPlayer5", "MediaPlayer7",
};

// Try-out: the options a module of that type may have, whatever its version.
constexpr const char* kDemoOptionsMainModel[] = {"CheckEgyeb3", "CheckEgyeb4", "CheckEgyeb6", "CheckEgyeb5"};
constexpr const char* kDemoOptionsCompactModel[] = {"CheckEgyeb5"};
constexpr const char* kDemoMenuItems[] = {"FirmwareDownload1", "Naplokiolvassa1", "Karbantarts1"};

// Edition 50's menus: the functions it does not offer, and its contact page.
constexpr const char* kEditionHiddenMenus[] = {"Voicehvstest1", "Adathvsellenrzs1", "Help1", "SajtProfil1"};

// What the developer access code shows beside the menus: the K6 window's buttons, and the module
// status window's "Tesztelés END".
constexpr const char* kDeveloperButtons[] = {"Button6", "Button7", "Button18", "Button19"};

// The module status window's indicators by module type and software version, in their order.
using k6pages::Effect;
constexpr int kAny = k6pages::kAnyVersion;
constexpr int kNone = k6pages::kNoLimit;
constexpr Self::Step kActivationSteps[] = {
    {"ProgramVersionPanel", &Self::ProgramVersionPanel},
    {"DemoModeMenus", &Self::DemoModeMenus},
    {"LineModelControls", &Self::LineModelControls},
    {"LogoCopies", &Self::LogoCopies},
    {"CompactModelControls", &Self::CompactModelControls},
    {"DemoModeShowsAll", &Self::DemoModeShowsAll},
    {"PhonebookHeaders", &Self::PhonebookHeaders},
    {"CustomerFieldDefaults", &Self::CustomerFieldDefaults},
    {"ContactIdSend", &Self::ContactIdSend},
    {"LanguagePass", &Self::LanguagePass},
    {"SelectionResets", &Self::SelectionResets},
    {"AccessCodes", &Self::AccessCodes},
    {"VersionQuery", &Self::VersionQuery},
    {"CompanySetting", &Self::CompanySetting},
    {"EditionSteps", &Self::EditionSteps},
    {"FirstActivationScaling", &Self::FirstActivationScaling},
    {"VoicePlayers", &Self::VoicePlayers},
};

constexpr Self::Step kVersionReplySteps[] = {
    {"AllDeviceFilter", &Self::AllDeviceFilter},
    {"HideExpansionPanelType", &Self::HideExpansionPanelType},
    {"PageRules", &Self::PageRules},
    {"StatusWindowRules", &Self::StatusWindowRules},
};

const QString kMainHeader = QStringLiteral("ProModelHeader");

// Another window of the program by its class's component name; windows are found this way so
// that each keeps to its own files.
QWidget* Window(const char* name) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String(name)) return w;
    return nullptr;
}

QWidget* ControlOf(QWidget* window, const char* name) {
    return window ? window->findChild<QWidget*>(QString::fromLatin1(name)) : nullptr;
}

QFont Scaled(QFont font, double factor) {
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * factor);
    else if (font.pixelSize() > 0)
        font.setPixelSize(std::max(1, int(std::lround(font.pixelSize() * factor))));
    return font;
}

// The room a control needs to show what it holds in its current font: every item of a list that
// shows them all, the longest text of a short field, the minimum of any other control.
QSize ContentNeed(QWidget* c) {
    if (auto* list = qobject_cast<QListWidget*>(c); list && list->count() > 0) {
        const int frame = 2 * list->frameWidth();
        return {list->sizeHintForColumn(0) + frame + 4, list->count() * list->sizeHintForRow(0) + frame + 2};
    }
    if (auto* edit = qobject_cast<QLineEdit*>(c)) {
        // Longer texts scroll in their field.
        constexpr int kShort = 16;
        const QFontMetrics fm = edit->fontMetrics();
        const int chars = std::min(edit->maxLength(), kShort);
        return {edit->minimumSizeHint().width() - fm.maxWidth() +
                    fm.horizontalAdvance(QString(chars, QLatin1Char('0'))),
                edit->minimumSizeHint().height()};
    }
    return c->minimumSizeHint();
}

// A layout and every layout nested in it forget the sizes they computed.
void InvalidateLayout(QLayoutItem* item) {
    item->invalidate();
    if (QLayout* l = item->layout())
        for (int i = 0; i < l->count(); ++i)
            InvalidateLayout(l->itemAt(i));
}

} // namespace

K6Activation::K6Activation(ConfigWindow& window)
    : QObject(&window)
    , w_(window) {}

std::span<const K6Activation::Step> K6Activation::ActivationSteps() {
    return kActivationSteps;
}

std::span<const K6Activation::Step> K6Activation::VersionReplySteps() {
    return kVersionReplySteps;
}

void K6Activation::Run() {
    w_.EnsurePages();
    for (const Step& s : kActivationSteps)
        (this->*s.run)();
}

void K6Activation::VersionReply() {
    w_.EnsurePages();
    for (const Step& s : kVersionReplySteps)
        (this->*s.run)();
}

QWidget* K6Activation::BuildHeader(QWidget* parent) {
    auto* header = new QWidget(parent);
    header->setObjectName(QStringLiteral("HeaderPictures"));
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 0);
    const double lines = 3.5;
    auto* main = new SvgPicture(kMainHeader, header, lines);
    main->SetSource(HeaderPicture(72));
    auto* compact = new SvgPicture(QStringLiteral("Image20"), header, lines);
    compact->SetSource(HeaderPicture(73));
    compact->hide();
    auto* line = new SvgPicture(QStringLiteral("Image21"), header, lines);
    line->SetSource(HeaderPicture(74));
    line->hide();
    auto* logo = new QLabel(header);
    logo->setObjectName(QStringLiteral("Image2"));
    logo->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    for (QWidget* p :
         {static_cast<QWidget*>(main), static_cast<QWidget*>(compact), static_cast<QWidget*>(line)})
        row->addWidget(p);
    row->addStretch(1);
    row->addWidget(logo);
    return header;
}

// --- Activation ----------------------------------------------------------------------------------

void K6Activation::ProgramVersionPanel() {
    if (startWindow) w_.SetStatusPanel(4, startWindow->VersionLabel->text());
}

void K6Activation::DemoModeMenus() {
    if (!w_.DemoMode) return;
    w_.SetPageVisible(QStringLiteral("TabSheet20"), true);
    if (QAction* monitor = w_.MenuItem(QStringLiteral("Hibakeress1"))) monitor->setEnabled(true);
    SetShown("FirmwareDownload1", true);
}

void K6Activation::LineModelControls() {
    ShowWiringPicture();
    ShowHeader();
    if (w_.ModuleType == 74) SetShown(kHiddenOnLineModel, false);
}

void K6Activation::LogoCopies() {
    if (!startWindow) return;
    const QPixmap logo = startWindow->Logo->pixmap();
    for (QWidget* window : {static_cast<QWidget*>(&w_), Window("TDPhone1")})
        if (auto* image = window ? window->findChild<QLabel*>(QStringLiteral("Image2")) : nullptr)
            image->setPixmap(logo);
}

void K6Activation::CompactModelControls() {
    // Its receive level "6" (ComboBox16) is one of the selection resets.
    if (w_.ModuleType == 73) SetShown(kHiddenOnCompactModel, false);
}

void K6Activation::DemoModeShowsAll() {
    if (!w_.DemoMode) return;
    if (w_.ModuleType == 72) SetShown(kDemoOptionsMainModel, true);
    if (w_.ModuleType == 73) SetShown(kDemoOptionsCompactModel, true);
    w_.SetPageVisible(QStringLiteral("TabSheet22"), true);
    SetShown(kDemoMenuItems, true);
}

void K6Activation::PhonebookHeaders() {
    w_.LocalValues->setCell("StringGrid1", 0, 0, Texts.PhonebookSim);
    w_.LocalValues->setCell("StringGrid1", 0, 1, Texts.PhonebookNumber);
    w_.LocalValues->setCell("StringGrid1", 0, 2, Texts.PhonebookName);
}

void K6Activation::CustomerFieldDefaults() {
    w_.Pages->FillEmptyCustomerFields(startWindow ? startWindow->ProModelLabel->text() : w_.ProModelName);
}

void K6Activation::ContactIdSend() {
    w_.Files->ApplyContactIdSetting();
}

void K6Activation::LanguagePass() {
    ApplyActivationLanguagePass(w_);
}

void K6Activation::SelectionResets() {
    w_.Pages->ApplySelectionResets(w_.ModuleType);
}

void K6Activation::AccessCodes() {
    const QString mode = dalvex::ReadSetting(w_.RegKey, QStringLiteral("mode"));
    if (mode.isEmpty()) dalvex::WriteSetting(w_.RegKey, QStringLiteral("mode"), QStringLiteral("0"));
    const bool developer = mode == QLatin1String(kDeveloperCode);
    if (developer) {
        SetShown("Fejlesztiparancsok1", true);
        SetShown(kDeveloperButtons, true);
        if (QWidget* end = ControlOf(Window("TK6Form2"), "Button1")) end->show();
    }
    if (developer || mode == QLatin1String(kSpecialCode)) SetShown("KlnlegesPARANCSOK1", true);
}

void K6Activation::VersionQuery() {
    // Whenever the window comes back while idle, the module's software version is asked again.
    if (w_.Engine().OpState == k6state::Idle) w_.Engine().StartVersionQuery();
}

void K6Activation::CompanySetting() {
    // A company name stored with a leading "*" lets the byte-wise write include its bytes.
    const QString company = dalvex::ReadSetting(w_.RegKey, QStringLiteral("company"));
    if (company.isEmpty() && EditionCode == 50)
        dalvex::WriteSetting(w_.RegKey, QStringLiteral("company"), DefaultCompanyWord());
    w_.Engine().CompanyMark = company.startsWith(QLatin1Char('*'));
}

void K6Activation::EditionSteps() {
    if (EditionCode != 50) return;
    if (startWindow) startWindow->ProModelLabel->setText(w_.ProModelName);
    w_.ShowTitle();
    SetShown(kEditionHiddenMenus, false);
    SetShown("Contact1", true);
    w_.SetPageVisible(QStringLiteral("TabSheet16"), false);
    w_.ClockLabel->show();
    for (const char* name : {"Edit3", "Label11"})
        if (QWidget* c = ControlOf(Window("TK6Form2"), name)) c->hide();
}

void K6Activation::FirstActivationScaling() {
    // Once per run: the setting chosen in the screen-resolution window takes effect at the next start.
    if (scaled_) return;
    scaled_ = true;
    QString monitor = dalvex::ReadSetting(w_.RegKey, QStringLiteral("monitor"));
    if (monitor.isEmpty()) {
        monitor = QString::number(kDesignSizeItem);
        dalvex::WriteSetting(w_.RegKey, QStringLiteral("monitor"), monitor);
    }
    const std::optional<double> factor = ScaleFactor(monitor);
    if (!factor || *factor == 1.0) return;
    ScaleWindow(w_, *factor);
    w_.move(5, 5);
}

void K6Activation::VoicePlayers() {
    // The voice page opens its seven players on their recorded files.
    if (w_.Voice) w_.Voice->Activate();
}

// --- Version reply -------------------------------------------------------------------------------

void K6Activation::AllDeviceFilter() {
    // With the device filter "ALL" an older or foreign module counts as a current one.
    int& version = w_.Engine().Version;
    if (version < 70 && startWindow && startWindow->Search.DeviceSetting == QLatin1String("ALL"))
        version = 80;
}

void K6Activation::HideExpansionPanelType() {
    SetShown("ComboBox15", false);
}

void K6Activation::PageRules() {
    w_.Pages->ApplyVersionRules(w_.Engine().Version, w_.ModuleType);
}

void K6Activation::StatusWindowRules() {
    if (auto* status = qobject_cast<StatusWindow*>(Window("TK6Form2")))
        status->ApplyVersionRules(w_.Engine().Version, w_.ModuleType);
}

// --- Helpers -------------------------------------------------------------------------------------

void K6Activation::SetShown(const char* name, bool shown) {
    const QString n = QString::fromLatin1(name);
    if (QWidget* inPages = w_.Page(n)) {
        const int tab = w_.PageTabs->indexOf(inPages);
        if (tab >= 0)
            w_.PageTabs->setTabVisible(tab, shown);
        else
            inPages->setVisible(shown);
    } else if (QAction* item = w_.MenuItem(n)) {
        item->setVisible(shown);
    } else if (QWidget* c = w_.findChild<QWidget*>(n)) {
        c->setVisible(shown);
    }
}

void K6Activation::SetShown(std::span<const char* const> names, bool shown) {
    for (const char* n : names)
        SetShown(n, shown);
}

void K6Activation::ShowHeader() {
    const int type = w_.ModuleType;
    if (QWidget* p = w_.findChild<QWidget*>(QStringLiteral("Image21"))) p->setVisible(type == 74);
    if (QWidget* p = w_.findChild<QWidget*>(QStringLiteral("Image20"))) p->setVisible(type == 73);
    if (QWidget* p = w_.findChild<QWidget*>(kMainHeader)) p->setVisible(type != 73 && type != 74);
}

void K6Activation::ShowWiringPicture() {
    // Image1 carries the drawing of models 72 and 74, Image2 that of model 73: the window always
    // shows the drawing of the module in hand.
    if (!wiringWindow) return;
    const bool compact = w_.ModuleType == 73;
    wiringWindow->Drawing->SetSource(WiringPicture(w_.ModuleType == 74 ? 74 : 72));
    wiringWindow->Drawing->setVisible(!compact);
    wiringWindow->MiniDrawing->setVisible(compact);
}

std::optional<double> K6Activation::ScaleFactor(const QString& monitor) {
    static constexpr double kFactors[] = {1.0 / 2, 2.0 / 3, 1.0, 4.0 / 3, 5.0 / 3};
    bool ok = false;
    const int item = monitor.toInt(&ok);
    if (!ok || item < 0 || item >= int(std::size(kFactors)) || monitor != QString::number(item))
        return std::nullopt;
    return kFactors[item];
}

void K6Activation::ScaleWindow(QWidget& window, double factor) {
    const QSize design = window.size();
    // Sizes the controls were given in pixels for their fonts (field widths, list heights, grid
    // columns) scale with the fonts, or the larger text would be cut off and the smaller one would
    // keep the window large. Parts that do not shrink with the text (frames, check marks) keep a
    // smaller control from cutting off what it showed whole before.
    const auto scaled = [factor](int length) { return int(std::ceil(length * factor - 0.01)); };
    struct Pixels {
        QPointer<QWidget> control;
        QSize least, most;
    };
    std::vector<Pixels> sized;
    // Controls with a font of their own do not follow the window's; they are scaled one by one.
    std::vector<std::pair<QPointer<QWidget>, QFont>> own;
    for (QWidget* c : window.findChildren<QWidget*>()) {
        if (c->isWindow()) continue;
        if (c->testAttribute(Qt::WA_SetFont)) own.emplace_back(c, c->font());
        if (!c->minimumSize().isNull() || c->maximumSize() != QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX))
            sized.push_back({c, c->minimumSize(), c->maximumSize()});
    }
    window.setFont(Scaled(window.font(), factor));
    for (auto& [c, before] : own)
        if (c && c->font().pointSizeF() == before.pointSizeF() && c->font().pixelSize() == before.pixelSize())
            c->setFont(Scaled(before, factor));

    for (const Pixels& p : sized) {
        if (!p.control) continue;
        const QSize need = ContentNeed(p.control);
        const auto length = [&](int was, int needed) {
            if (was <= 0 || was >= QWIDGETSIZE_MAX) return was;
            return std::max(scaled(was), needed);
        };
        const QSize least(length(p.least.width(), need.width()), length(p.least.height(), need.height()));
        p.control->setMinimumSize(least);
        p.control->setMaximumSize(
            QSize(length(p.most.width(), need.width()), length(p.most.height(), need.height()))
                .expandedTo(least));
    }
    for (QHeaderView* header : window.findChildren<QHeaderView*>()) {
        header->setDefaultSectionSize(scaled(header->defaultSectionSize()));
        for (int i = 0; i < header->count(); ++i)
            header->resizeSection(i, scaled(header->sectionSize(i)));
    }

    // The layouts take in the new fonts before the size is set, or a smaller window would be
    // held at the minimum of the old fonts. The pages not on show keep the sizes of the old fonts
    // until they are shown unless they are told.
    for (QWidget* c : window.findChildren<QWidget*>()) {
        if (c->isWindow()) continue;
        c->updateGeometry();
        if (QLayout* l = c->layout()) InvalidateLayout(l);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    if (QLayout* l = window.layout()) l->activate();
    window.resize(int(std::lround(design.width() * factor)), int(std::lround(design.height() * factor)));
}

} // namespace dalvex
