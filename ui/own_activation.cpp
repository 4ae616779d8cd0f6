#include "own_activation.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QWidget>

namespace dalvex::OwnActivation {

namespace {

class Follower final : public QObject {
public:
    // A window of ours has become the active one.
    void Activated(QWidget* window) {
        movedTo_ = window != current_ ? window : nullptr;
        current_ = window;
    }
    bool MovedTo(QWidget* window) const { return movedTo_ == window; }

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (type != QEvent::ActivationChange && type != QEvent::Hide) return false;
        auto* w = qobject_cast<QWidget*>(object);
        if (!w || !w->isWindow() || w->windowType() == Qt::Popup || w->windowType() == Qt::ToolTip) return false;
        if (type == QEvent::Hide) {
            // Shown again later, its first activation runs the handler.
            if (w == current_) current_ = nullptr;
        } else if (w->isActiveWindow()) {
            Activated(w);
        }
        return false;
    }

private:
    QPointer<QWidget> current_; // the window of ours that was active last
    QPointer<QWidget> movedTo_; // the window the last activation moved to from another one
};

Follower* follower = nullptr;

} // namespace

void Watch() {
    if (follower || !qApp) return;
    follower = new Follower;
    follower->setParent(qApp);
    qApp->installEventFilter(follower);
}

bool Moved(QWidget* window) {
    if (!follower) {
        // Not followed so far: this activation was not seen by the filter.
        Watch();
        if (!follower) return true;
        follower->Activated(window);
    }
    return follower->MovedTo(window);
}

} // namespace dalvex::OwnActivation
