// "Viewing Space Parameters": the At Point, From Point, Up Vector and viewing angle as ten
// numeric edits.
#pragma once

#include <QDialog>
#include <array>

#include "app/dialogs/numeric_edits.h"
#include "geometry/vector3d.h"

class QLineEdit;

namespace quorvane {

class CViewingSpaceDlg : public QDialog {
    Q_OBJECT

  public:
    // Edits in the order they are read: At X, Y, Z, From X, Y, Z, Up X, Y, Z, angle.
    static constexpr int kEditCount = 10;

    explicit CViewingSpaceDlg(QWidget* parent = nullptr);

    double m_atX = 0.0;
    double m_atY = 0.0;
    double m_atZ = 0.0;
    double m_fromX = 0.0;
    double m_fromY = 0.0;
    double m_fromZ = 0.0;
    double m_upX = 0.0;
    double m_upY = 0.0;
    double m_upZ = 0.0;
    double m_viewingAngle = 0.0;

    void SetAtPoint(const CVector3D& at);
    void SetFromPoint(const CVector3D& from);
    void SetUpVector(const CVector3D& up);
    CVector3D GetAtPoint() const { return {m_atX, m_atY, m_atZ}; }
    CVector3D GetFromPoint() const { return {m_fromX, m_fromY, m_fromZ}; }
    CVector3D GetUpVector() const { return {m_upX, m_upY, m_upZ}; }

    // Shows the ten members in the edits.
    void ShowValues();
    // Reads all ten edits in order, then checks the angle against 0.5 .. 180; reports the first
    // refusal, focuses its edit and returns false. The coordinates have no range.
    bool ReadValues();

    // Ends the dialog with Accepted only when every edit reads and the angle is in range.
    void accept() override;

    // The edit of field `index` in reading order (0 .. 9).
    QLineEdit* Edit(int index) const { return m_edits[static_cast<std::size_t>(index)]; }

  private:
    std::array<NumericEdit, kEditCount> Edits();

    std::array<QLineEdit*, kEditCount> m_edits{};
};

}  // namespace quorvane
