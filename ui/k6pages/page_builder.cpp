#include "page_builder.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>
#include <vector>

namespace dalvex::k6pages {

namespace {

// Keeps a caption shown exactly while its control is not hidden, so that hiding a control by name
// (the model and version rules name the controls) never leaves its caption standing alone.
class CaptionFollower : public QObject {
public:
    CaptionFollower(QLabel* label, QWidget* buddy)
        : QObject(label)
        , label_(label) {
        buddy->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if ((event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent) && label_)
            label_->setHidden(static_cast<QWidget*>(watched)->isHidden());
        return false;
    }

private:
    QPointer<QLabel> label_;
};

// Hides a group box while every control in it is hidden (the version rules hide options one by
// one), and shows it again when one of them is shown.
class GroupFollower : public QObject {
public:
    explicit GroupFollower(QGroupBox* group)
        : QObject(group)
        , group_(group) {}

    void watch(QWidget* w) {
        members_.push_back(w);
        w->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent) {
            bool any = false;
            for (const QPointer<QWidget>& w : members_)
                any = any || (w && !w->isHidden());
            group_->setHidden(!any);
        }
        return false;
    }

private:
    QGroupBox* group_;
    std::vector<QPointer<QWidget>> members_;
};

} // namespace

PageBuilder::PageBuilder(QWidget* page, Bindings& bindings)
    : page_(page)
    , bindings_(bindings) {
    bands_ = new QVBoxLayout(page);
    section();
}

PageBuilder::~PageBuilder() {
    finishBand();
    if (!anyExpanding_) bands_->addStretch(1);
}

void PageBuilder::finishColumn() {
    if (column_ && !expanding_) column_->addStretch(1);
    column_ = nullptr;
}

void PageBuilder::finishBand() {
    finishColumn();
    if (band_ && !expanding_) band_->addStretch(1);
}

void PageBuilder::section(bool expanding) {
    if (band_) finishBand();
    band_ = new QHBoxLayout;
    band_->setSpacing(12);
    bands_->addLayout(band_, expanding ? 1 : 0);
    expanding_ = expanding;
    anyExpanding_ = anyExpanding_ || expanding;
    column_ = nullptr;
    group_ = nullptr;
    follower_ = nullptr;
    form_ = nullptr;
}

void PageBuilder::column(int stretch) {
    finishColumn();
    column_ = new QVBoxLayout;
    band_->addLayout(column_, stretch);
    group_ = nullptr;
    follower_ = nullptr;
    form_ = nullptr;
}

QGroupBox* PageBuilder::group(const QString& title, const QString& name) {
    if (!column_) column();
    group_ = new QGroupBox(title, page_);
    follower_ = nullptr;
    if (!name.isEmpty())
        group_->setObjectName(name); // a named group is shown and hidden by name
    else
        follower_ = new GroupFollower(group_);
    column_->addWidget(group_);
    form_ = new QGridLayout(group_);
    form_->setColumnStretch(1, 1);
    row_ = 0;
    return group_;
}

void PageBuilder::endGroup() {
    group_ = nullptr;
    follower_ = nullptr;
    form_ = nullptr;
}

QWidget* PageBuilder::container() const {
    return group_ ? static_cast<QWidget*>(group_) : page_;
}

QGridLayout* PageBuilder::form() {
    if (!form_) {
        if (!column_) column();
        form_ = new QGridLayout;
        form_->setColumnStretch(1, 1);
        column_->addLayout(form_);
        row_ = 0;
    }
    return form_;
}

QWidget* PageBuilder::make(const QString& control, const WidgetOptions& options) {
    QWidget* w = bindings_.make(control, container(), options);
    if (follower_) static_cast<GroupFollower*>(follower_)->watch(w);
    return w;
}

QLabel* PageBuilder::caption(QWidget* buddy, const QString& text, const QString& name) {
    auto* l = new QLabel(text, container());
    l->setObjectName(name.isEmpty() ? QStringLiteral("Label") + buddy->objectName() : name);
    l->setBuddy(buddy);
    new CaptionFollower(l, buddy);
    if (buddy->accessibleName().isEmpty()) buddy->setAccessibleName(text);
    return l;
}

QLabel* PageBuilder::label(const QString& name, const QString& text) {
    auto* l = new QLabel(text, container());
    l->setObjectName(name);
    return l;
}

QPushButton* PageBuilder::button(const QString& name, const QString& text) {
    auto* b = new QPushButton(text, container());
    b->setObjectName(name);
    return b;
}

void PageBuilder::row(std::initializer_list<QWidget*> widgets) {
    QGridLayout* f = form();
    int column = 0;
    const int last = static_cast<int>(widgets.size()) - 1;
    for (QWidget* w : widgets) {
        if (w) f->addWidget(w, row_, column, 1, column == last ? std::max(1, 3 - column) : 1);
        ++column;
    }
    ++row_;
}

QWidget* PageBuilder::field(const QString& control, const QString& captionText, const QString& labelName,
                            Look look) {
    WidgetOptions options;
    options.caption = captionText;
    options.look = look;
    QWidget* w = make(control, options);
    row({caption(w, captionText, labelName), w});
    return w;
}

QWidget* PageBuilder::check(const QString& control, const QString& captionText) {
    QWidget* w = make(control, Captioned(captionText));
    QGridLayout* f = form();
    f->addWidget(w, row_++, 0, 1, 3);
    return w;
}

QWidget* PageBuilder::checkWith(const QString& checkControl, const QString& captionText,
                                const QString& control) {
    QWidget* box = make(checkControl, Captioned(captionText));
    WidgetOptions options;
    options.caption = captionText;
    QWidget* w = make(control, options);
    row({box, w});
    return w;
}

QWidget* PageBuilder::radio(const QString& control, const QString& title, Look look) {
    WidgetOptions options;
    options.caption = title;
    options.look = look;
    QWidget* w = make(control, options);
    form()->addWidget(w, row_++, 0, 1, 3);
    return w;
}

QWidget* PageBuilder::above(const QString& control, const QString& captionText, const QString& labelName,
                            const WidgetOptions& given) {
    WidgetOptions options = given;
    options.caption = captionText;
    QWidget* w = make(control, options);
    QGridLayout* f = form();
    f->addWidget(caption(w, captionText, labelName), row_++, 0, 1, 3);
    f->addWidget(w, row_++, 0, 1, 3);
    return w;
}

void PageBuilder::stretch() {
    if (!column_) column();
    column_->addStretch(1);
    group_ = nullptr;
    follower_ = nullptr;
    form_ = nullptr;
}

} // namespace dalvex::k6pages
