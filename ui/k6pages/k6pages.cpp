#include "k6pages.h"

#include "k6config/config_codec.h"
#include "k6config/controls.h"
#include "k6config/memory_map.h"
#include "page_builder.h"
#include "page_contents.h"
#include "page_rules.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QSpinBox>
#include <QTabWidget>
#include <QtDebug>
#include <algorithm>
#include <string>

namespace dalvex::k6pages {

using k6config::PageValues;

namespace {

const QString kOtherPage = QStringLiteral("TabSheet14"); // "Egyéb"
// "Be5".."Be8" are never shown.
constexpr const char* kUnusedInputs[] = {"TabSheet6", "TabSheet7", "TabSheet8", "TabSheet9"};
bool unusedInput(const QWidget* page) {
    return page && std::any_of(std::begin(kUnusedInputs), std::end(kUnusedInputs),
                               [page](const char* name) { return page->objectName() == QLatin1String(name); });
}

// Accented letters that phones may show wrongly; "í" and "Í" show well.
const QString kAccented = QStringLiteral("éáűőúöüóÉÁŰŐÚÖÜÓ");

std::string key(const QString& name) {
    return name.toStdString();
}

bool holds(const PageValues& v, const Condition& c) {
    if (!c.control) return true;
    switch (c.when) {
    case When::Checked:
        return v.checked(c.control);
    case When::Item0:
        return v.index(c.control) == 0;
    case When::NotItem0:
        return v.index(c.control) != 0;
    case When::Item1:
        return v.index(c.control) == 1;
    }
    return false;
}

// The output time units: item 0 "Sec", item 1 "Min".
constexpr int kMinutes = 1;

} // namespace

K6Pages::K6Pages(QWidget* window, QTabWidget* pageControl, PageValues& values, PageValues& local)
    : QObject(window)
    , window_(window)
    , pageControl_(pageControl)
    , values_(values)
    , local_(local)
    , bindings_(this) {
    bindings_.add(values_);
    bindings_.add(local_);
    ShowMessage = [this](const QString& text) {
        QMessageBox::warning(window_, window_->windowTitle(), text);
    };
    buildPages();
    connectHandlers();
}

QWidget* K6Pages::Control(const QString& name) const {
    return pageControl_ ? pageControl_->findChild<QWidget*>(name) : nullptr;
}

void K6Pages::buildPages() {
    for (const PageDef& p : K6PageDefs()) {
        auto* page = new QWidget(pageControl_);
        page->setObjectName(QString::fromLatin1(p.name));
        pageControl_->addTab(page, QString::fromUtf8(p.caption));
        PageBuilder builder(page, bindings_);
        p.build(builder);
    }
    for (const char* name : HiddenByDesign())
        if (QWidget* w = Control(QString::fromLatin1(name))) w->hide();
    for (int i = 0; i < pageControl_->count(); ++i)
        if (unusedInput(pageControl_->widget(i))) pageControl_->setTabVisible(i, false);
}

void K6Pages::connectHandlers() {
    ValueWatch& watch = *bindings_.watchOf("ComboBox1");

    // Enabled states follow their conditions, and are put back should anything else change them.
    const auto rules = EnableRules();
    for (std::size_t i = 0; i < rules.size(); ++i) {
        for (const Condition& c : {rules[i].first, rules[i].second})
            if (c.control) watch.onValue(QString::fromLatin1(c.control), [this, i] { applyRule(i); });
        watch.onEnabled(QString::fromLatin1(rules[i].target), [this, i] { applyRule(i); });
        applyRule(i);
    }

    for (int output = 1; output <= 2; ++output) {
        const k6config::OutputDef& o = k6config::Outputs()[static_cast<std::size_t>(output - 1)];
        watch.onValue(QString::fromLatin1(o.unit), [this, output] { SecMinClick(output); });
        watch.onValue(QString::fromLatin1(o.spin), [this, output] { SpinKIChange(output); });
    }
    watch.onValue(QStringLiteral("Edit12"), [this] { SmsHeaderChange(); });
    SmsHeaderChange();

    for (const char* name : AccentWarnedEditors()) {
        const QString editor = QString::fromLatin1(name);
        if (auto* edit = Control<QLineEdit>(editor))
            connect(edit, &QLineEdit::textEdited, this, [this, editor] { SmsTextChange(editor); });
    }

    PhoneMenu = new QMenu(pageControl_);
    PhoneMenu->setObjectName(QStringLiteral("PopupMenu1"));
    const struct {
        const char* name;
        const char* caption;
        void (K6Pages::*handler)();
    } items[] = {{"Delete1", "Delete", &K6Pages::PhoneDeleteClick},
                 {"N36301", "+3630", &K6Pages::Prefix3630Click},
                 {"N36201", "+3620", &K6Pages::Prefix3620Click}};
    for (const auto& item : items) {
        QAction* a = PhoneMenu->addAction(QString::fromLatin1(item.caption));
        a->setObjectName(QString::fromLatin1(item.name));
        connect(a, &QAction::triggered, this, item.handler);
    }
    for (int n = 1; n <= k6config::kPhoneCount; ++n) {
        const QString name = QStringLiteral("MaskEdit%1").arg(n);
        QWidget* edit = Control(name);
        if (!edit) continue;
        edit->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(edit, &QWidget::customContextMenuRequested, this, [this, edit, name](const QPoint& at) {
            PhoneMenuTarget = name;
            PhoneMenu->popup(edit->mapToGlobal(at));
        });
    }

    connect(&values_, &PageValues::showHandlerRequested, this, &K6Pages::RunShowHandler);
    currentPage_ = pageControl_->currentWidget();
    connect(pageControl_, &QTabWidget::currentChanged, this, &K6Pages::pageChanged);
    // Leaving "Egyéb" for a control of this window outside the page control (the send button,
    // say) checks the security code as leaving the page does; once per stay on the page. A dialog
    // taking the focus is no leaving.
    connect(qApp, &QApplication::focusChanged, this,
            [this, page = QPointer<QWidget>(Control(kOtherPage))](QWidget* old, QWidget* now) {
                if (!page || !now || !pageControl_ || now->window() != window_) return;
                if (page->isAncestorOf(now)) {
                    otherPageLeft_ = false;
                    return;
                }
                if (old && page->isAncestorOf(old) && !pageControl_->isAncestorOf(now) && !otherPageLeft_) {
                    otherPageLeft_ = true;
                    OtherPageExit();
                }
            });
}

void K6Pages::applyRule(std::size_t rule) {
    const EnableRule& r = EnableRules()[rule];
    values_.setEnabled(r.target, holds(values_, r.first) && holds(values_, r.second));
}

void K6Pages::ControlChange(const QString& control) {
    const auto rules = EnableRules();
    for (std::size_t i = 0; i < rules.size(); ++i)
        for (const Condition& c : {rules[i].first, rules[i].second})
            if (c.control && control == QLatin1String(c.control)) applyRule(i);
}

bool K6Pages::HasShowHandler(const QString& page) const {
    if (page == kOtherPage) return true;
    const auto lists = k6config::PhoneLists();
    return std::any_of(lists.begin(), lists.end(),
                       [&](const k6config::PhoneListDef& l) { return page == QLatin1String(l.page); });
}

void K6Pages::RunShowHandler(const QString& page) {
    if (!HasShowHandler(page)) return;
    k6config::RefreshPhoneItems(values_, page);
    refreshPhoneCaptions(page);
    if (page == kOtherPage) ControlChange(QStringLiteral("ComboBox15"));
    AccentWarned = false;
}

void K6Pages::refreshPhoneCaptions(const QString& page) {
    QStringList captions;
    for (int n = 1; n <= k6config::kPhoneCount; ++n) {
        const QString number = values_.text(key(QStringLiteral("MaskEdit%1").arg(n)));
        captions << (k6config::IsPhoneSet(number) ? number : k6config::PhoneItemCaption(n - 1));
    }
    for (const k6config::PhoneListDef& l : k6config::PhoneLists()) {
        if (page != QLatin1String(l.page)) continue;
        auto* list = Control<QListWidget>(QString::fromLatin1(l.list));
        for (int i = 0; list && i < list->count() && i < captions.size(); ++i)
            list->item(i)->setText(captions[i]);
    }
    // The redirection target only takes the captions; its selection stays.
    if (page == kOtherPage)
        if (auto* box = Control<QComboBox>(QStringLiteral("ComboBox11")))
            for (int i = 0; i < box->count() && i < captions.size(); ++i)
                box->setItemText(i, captions[i]);
}

void K6Pages::OtherPageExit() {
    if (values_.text("Edit1").size() != 4) message(Texts.SecurityCode);
}

void K6Pages::SecMinClick(int output) {
    const k6config::OutputDef& o = k6config::Outputs()[static_cast<std::size_t>(output - 1)];
    const bool minutes = values_.index(o.unit) == kMinutes;
    const int seconds = values_.number(o.seconds);
    // The table's limits are in seconds; in minutes the box goes as far as whole minutes do.
    const k6config::ControlDef* spin = bindings_.def(o.spin);
    // Showing the time in another unit is no edit of the time.
    showingUnit_ = true;
    if (auto* box = Control<QSpinBox>(QString::fromLatin1(o.spin)))
        box->setRange(spin->minimum, minutes ? spin->maximum / 60 : spin->maximum);
    values_.setNumber(o.spin, minutes ? std::max(spin->minimum, seconds / 60) : seconds);
    showingUnit_ = false;
}

void K6Pages::SpinKIChange(int output) {
    if (showingUnit_) return;
    const k6config::OutputDef& o = k6config::Outputs()[static_cast<std::size_t>(output - 1)];
    const int shown = values_.number(o.spin);
    values_.setNumber(o.seconds, values_.index(o.unit) == kMinutes ? shown * 60 : shown);
}

void K6Pages::SmsHeaderChange() {
    const k6config::ControlDef* header = bindings_.def("Edit12");
    if (auto* left = Control<QLabel>(QStringLiteral("Label181")))
        left->setText(QString::number(std::max<qsizetype>(0, header->typedLength - values_.text("Edit12").size())));
}

void K6Pages::SmsTextChange(const QString& editor) {
    if (AccentWarned) return;
    // The editor's own text: its value may not have taken the keystroke yet.
    auto* edit = Control<QLineEdit>(editor);
    const QString text = edit ? edit->text() : QString();
    if (text.isEmpty() || !kAccented.contains(text.back())) return;
    AccentWarned = true;
    message(Texts.AccentWarning);
}

void K6Pages::setPopupNumber(const QString& text) {
    if (!PhoneMenuTarget.startsWith(QLatin1String("MaskEdit"))) return;
    values_.setText(key(PhoneMenuTarget), text);
}

void K6Pages::PhoneDeleteClick() {
    setPopupNumber(QString());
}

void K6Pages::Prefix3630Click() {
    setPopupNumber(QStringLiteral("+3630"));
}

void K6Pages::Prefix3620Click() {
    setPopupNumber(QStringLiteral("+3620"));
}

void K6Pages::PageChange() {
    // Back to the first page (the tab bar may hold hidden pages before it).
    if (unusedInput(pageControl_->currentWidget()))
        pageControl_->setCurrentWidget(pageControl_->findChild<QWidget*>(QString::fromLatin1(K6PageDefs().front().name)));
}

void K6Pages::pageChanged(int index) {
    QWidget* left = currentPage_;
    currentPage_ = pageControl_->widget(index);
    if (left != currentPage_ && left && left->objectName() == kOtherPage && !otherPageLeft_) OtherPageExit();
    otherPageLeft_ = false;
    PageChange();
    if (pageControl_->currentIndex() != index) return; // moved on to another page, shown there
    if (QWidget* shown = pageControl_->widget(index)) RunShowHandler(shown->objectName());
}

void K6Pages::message(const QString& text) {
    if (ShowMessage) ShowMessage(text);
}

void K6Pages::ApplyActivationDefaults(int moduleType, const QString& productLabel, const QDateTime& now) {
    ApplySelectionResets(moduleType);
    FillEmptyCustomerFields(productLabel, now);
}

void K6Pages::ApplySelectionResets(int moduleType) {
    // The selections are put in place once: on a later activation (after any dialog) they would
    // overwrite what the user or a read has set since.
    if (activated_) return;
    activated_ = true;
    for (const SelectionDefault& s : ActivationSelections())
        if (s.moduleType == 0 || s.moduleType == moduleType) values_.setIndex(s.control, s.item);
}

void K6Pages::FillEmptyCustomerFields(const QString& productLabel, const QDateTime& now) {
    if (local_.text("Edit6").isEmpty()) local_.setText("Edit6", productLabel);
    if (local_.text("Edit7").isEmpty()) local_.setText("Edit7", DateTimeText(now));
}

QString K6Pages::DateTimeText(const QDateTime& when) {
    return when.toString(QStringLiteral("yyyy.MM.dd. HH:mm:ss"));
}

QObject* K6Pages::target(const QString& name) const {
    if (QWidget* w = Control(name)) return w;
    if (auto* a = window_->findChild<QAction*>(name)) return a;
    return window_->findChild<QWidget*>(name);
}

void K6Pages::ApplyVersionRules(int version, int moduleType) {
    for (const VersionRule& r : VersionRules()) {
        const bool typeMatches =
            r.types.size() == 0 || std::find(r.types.begin(), r.types.end(), moduleType) != r.types.end();
        if (!typeMatches || version < r.from || version >= r.below) continue;
        for (const char* t : r.targets) {
            const QString name = QString::fromLatin1(t);
            const bool inValues = values_.table().indexOf(t) >= 0;
            switch (r.effect) {
            case Effect::Show:
            case Effect::Hide: {
                const bool show = r.effect == Effect::Show;
                QObject* o = target(name);
                if (auto* w = qobject_cast<QWidget*>(o)) {
                    const int tab = pageControl_->indexOf(w);
                    if (tab >= 0)
                        pageControl_->setTabVisible(tab, show);
                    else
                        w->setVisible(show);
                } else if (auto* a = qobject_cast<QAction*>(o)) {
                    a->setVisible(show);
                }
                break;
            }
            case Effect::Enable:
                if (inValues)
                    values_.setEnabled(t, true);
                else if (auto* a = qobject_cast<QAction*>(target(name)))
                    a->setEnabled(true);
                else if (auto* w = qobject_cast<QWidget*>(target(name)))
                    w->setEnabled(true);
                break;
            case Effect::SelectFirstItem:
                values_.setIndex(t, 0);
                break;
            case Effect::DisableAndEmpty:
                values_.setEnabled(t, false);
                values_.setText(t, QString());
                break;
            }
        }
    }
}

} // namespace dalvex::k6pages
