#include "app/prompt_menu.h"

#include <QCoreApplication>
#include <QHideEvent>
#include <QMouseEvent>
#include <QStatusTipEvent>

namespace quorvane {

namespace {

// Whether the menu itself shows no prompt for `action`: Qt skips greyed items when it follows the
// mouse.
bool IsGreyedItem(const QAction* action) {
    return action != nullptr && !action->isSeparator() && action->isVisible() && !action->isEnabled();
}

}  // namespace

CPromptMenu::CPromptMenu(const QString& title, QWidget* parent) : QMenu(title, parent) {}

void CPromptMenu::mouseMoveEvent(QMouseEvent* event) {
    // The menu first: it shows or takes back the prompts of the items that can be chosen.
    QMenu::mouseMoveEvent(event);
    FollowMouse(actionAt(event->position().toPoint()));
}

void CPromptMenu::leaveEvent(QEvent* event) {
    QMenu::leaveEvent(event);
    FollowMouse(nullptr);
}

void CPromptMenu::hideEvent(QHideEvent* event) {
    FollowMouse(nullptr);
    QMenu::hideEvent(event);
}

void CPromptMenu::FollowMouse(QAction* action) {
    QAction* greyed = IsGreyedItem(action) ? action : nullptr;
    if (greyed == m_greyedItem) {
        return;
    }
    QWidget* target = parentWidget();
    // An item that can be chosen has just put its own prompt in place of the greyed one's.
    const bool replaced = action != nullptr && !greyed && action->isEnabled() && !action->isSeparator();
    if (m_greyedItem != nullptr && !replaced && target != nullptr) {
        QStatusTipEvent clear{QString()};
        QCoreApplication::sendEvent(target, &clear);
    }
    m_greyedItem = greyed;
    if (greyed != nullptr && target != nullptr) {
        greyed->showStatusText(target);
    }
}

}  // namespace quorvane
