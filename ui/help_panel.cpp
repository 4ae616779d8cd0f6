#include "help_panel.h"

#include "config_window.h"
#include "i18n/catalogue.h"
#include "serial/settings.h"

#include <QAction>
#include <QEvent>
#include <QPlainTextEdit>
#include <QTabWidget>

namespace dalvex {

namespace {

constexpr const char* kPhones[] = {"TabSheet1"};
constexpr const char* kInputs[] = {"TabSheet2", "TabSheet3", "TabSheet4", "TabSheet5",
                                   "TabSheet6", "TabSheet7", "TabSheet8", "TabSheet9"};
constexpr const char* kOutput[] = {"TabSheet10"};
constexpr const char* kTamper[] = {"TabSheet11"};
constexpr const char* kPower[] = {"TabSheet12"};
constexpr const char* kLifeSignal[] = {"TabSheet13"};
constexpr const char* kOther[] = {"TabSheet14"};
constexpr const char* kCallerId[] = {"TabSheet15"};
constexpr const char* kVoice[] = {"TabSheet22"};
constexpr const char* kBasicData[] = {"TabSheet23"};
constexpr const char* kMonitoring[] = {"TabSheet24"};
constexpr const char* kPage16[] = {"TabSheet16"};
constexpr const char* kPage17[] = {"TabSheet17"};
constexpr const char* kPage18[] = {"TabSheet18"};
constexpr const char* kPage19[] = {"TabSheet19"};
constexpr const char* kPage20[] = {"TabSheet20"};
constexpr const char* kPage21[] = {"TabSheet21"};
constexpr const char* kPage25[] = {"TabSheet25"};
constexpr const char* kPage26[] = {"TabSheet26"};
constexpr const char* kPage27[] = {"TabSheet27"};

constexpr HelpPanel::Key kKeys[] = {
    {"Memo1", kPhones},          {"Memo2", kInputs},          {"Memo4", kOutput},    {"Memo5", kTamper},
    {"Memo6", kPower},           {"Memo9", kLifeSignal},      {"Memo10", kOther},    {"Memo11", kCallerId},
    {"Memo12", kVoice},          {"Memo13", kBasicData},      {"Memo14", kMonitoring},
    {"HelpTabSheet16", kPage16}, {"HelpTabSheet17", kPage17}, {"HelpTabSheet18", kPage18},
    {"HelpTabSheet19", kPage19}, {"HelpTabSheet20", kPage20}, {"HelpTabSheet21", kPage21},
    {"HelpTabSheet25", kPage25}, {"HelpTabSheet26", kPage26}, {"HelpTabSheet27", kPage27},
};

// Lines of help text the panel shows at once (it scrolls for more).
constexpr int kPanelLines = 4;

} // namespace

std::span<const HelpPanel::Key> HelpPanel::Keys() {
    return kKeys;
}

HelpPanel::HelpPanel(ConfigWindow& window, QTabWidget& pages, QWidget* parent)
    : QStackedWidget(parent)
    , w_(window)
    , pages_(pages) {
    setObjectName(QStringLiteral("HelpPanel"));
    addWidget(new QWidget(this)); // a page without help
    const i18n::Catalogue& catalogue = i18n::Catalogue::Builtin();
    for (const Key& k : kKeys) {
        auto* memo = new QPlainTextEdit(this);
        memo->setObjectName(QString::fromLatin1(k.memo));
        memo->setReadOnly(true);
        // The design-time text is the Hungarian one, until the language pass puts its own.
        if (const i18n::CatalogueEntry* e = catalogue.Find(QStringLiteral("K6Form1"), memo->objectName(),
                                                           i18n::EntryKind::Memo))
            if (e->text[i18n::Hungarian]) memo->setPlainText(*e->text[i18n::Hungarian]);
        addWidget(memo);
    }
    FitToFont();
    connect(&pages_, &QTabWidget::currentChanged, this, &HelpPanel::ShowCurrent);
}

void HelpPanel::Connect(QAction* toggle) {
    SetShown(ReadSetting(w_.RegKey, QString::fromLatin1(kSetting)) != QLatin1String("0"));
    toggle_ = toggle;
    if (!toggle_) return;
    toggle_->setEnabled(true);
    toggle_->setCheckable(true);
    toggle_->setChecked(!isHidden());
    connect(toggle_, &QAction::toggled, this, [this](bool on) {
        SetShown(on);
        WriteSetting(w_.RegKey, QString::fromLatin1(kSetting), on ? QStringLiteral("1") : QStringLiteral("0"));
    });
}

QPlainTextEdit* HelpPanel::MemoFor(const QString& page) const {
    for (const Key& k : kKeys)
        for (const char* p : k.pages)
            if (page == QLatin1String(p)) return findChild<QPlainTextEdit*>(QString::fromLatin1(k.memo));
    return nullptr;
}

void HelpPanel::ShowCurrent() {
    QWidget* page = pages_.currentWidget();
    QPlainTextEdit* memo = page ? MemoFor(page->objectName()) : nullptr;
    setCurrentIndex(memo ? indexOf(memo) : 0);
}

void HelpPanel::FitToFont() {
    // A fixed height, so neither the memos' own wishes nor the stack's layout change the window's
    // minimum; it follows the font, so a window scaled with its fonts keeps it in proportion.
    setFixedHeight(kPanelLines * fontMetrics().lineSpacing() + 2 * (frameWidth() + 4));
}

void HelpPanel::changeEvent(QEvent* event) {
    QStackedWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) FitToFont();
}

void HelpPanel::SetShown(bool shown) {
    setVisible(shown);
    if (toggle_ && toggle_->isChecked() != shown) toggle_->setChecked(shown);
    if (shown) ShowCurrent();
}

} // namespace dalvex
