// "Phong Factor Settings": the ambient, diffuse and specular factors as three numeric edits.
#pragma once

#include <QDialog>
#include <array>

#include "app/dialogs/numeric_edits.h"

class QLineEdit;
class QPushButton;

namespace quorvane {

class CPhongDlg : public QDialog {
    Q_OBJECT

  public:
    explicit CPhongDlg(QWidget* parent = nullptr);

    // Set by the caller before the dialog runs (then ShowValues), read back after it is accepted.
    double m_ambient = 0.0;
    double m_diffuse = 0.0;
    double m_specular = 0.0;

    // Shows the three members in the edits.
    void ShowValues();
    // Reads ambient, diffuse and specular in this order, each checked against 0 .. 1 at once;
    // reports the first refusal, focuses its edit and returns false.
    bool ReadValues();
    // "Reset to Default Values": all three factors 0.6.
    void OnResetDefaults();

    // Ends the dialog with Accepted only when every edit reads as a factor in 0 .. 1.
    void accept() override;

    QLineEdit* AmbientEdit() const { return m_ambientEdit; }
    QLineEdit* DiffuseEdit() const { return m_diffuseEdit; }
    QLineEdit* SpecularEdit() const { return m_specularEdit; }
    QPushButton* ResetButton() const { return m_resetButton; }

  private:
    std::array<NumericEdit, 3> Edits();

    QLineEdit* m_ambientEdit = nullptr;
    QLineEdit* m_diffuseEdit = nullptr;
    QLineEdit* m_specularEdit = nullptr;
    QPushButton* m_resetButton = nullptr;
};

}  // namespace quorvane
