// A menu that shows the status-bar prompt of a greyed item while the mouse rests on it, as it does
// for the items that can be chosen.
#pragma once

#include <QMenu>
#include <QPointer>

namespace quorvane {

class CPromptMenu : public QMenu {
    Q_OBJECT

  public:
    // The prompts go to `parent` (the main window, which shows them in its status bar).
    CPromptMenu(const QString& title, QWidget* parent);

  protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    // The mouse now rests on `action` (null for none): shows its prompt when it is greyed, and takes
    // back the prompt of a greyed item the mouse has left.
    void FollowMouse(QAction* action);

    // The greyed item whose prompt is shown, or null (also once the item is gone).
    QPointer<QAction> m_greyedItem;
};

}  // namespace quorvane
