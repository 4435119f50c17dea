// The About box: the program icon, its name and version, and OK.
#pragma once

#include <QDialog>

namespace quorvane {

class CAboutDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

// The program icon, from the application's resources.
QIcon ProgramIcon();

}  // namespace quorvane
