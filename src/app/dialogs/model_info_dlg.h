// "Current Model Information": the six statistics of the model as read-only texts.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace quorvane {

class CModelInfoDlg : public QDialog {
    Q_OBJECT

  public:
    // Every number starts as "0".
    explicit CModelInfoDlg(QWidget* parent = nullptr);

    void SetVertices(const QString& text);
    void SetPolygons(const QString& text);
    void SetEdges(const QString& text);
    void SetUniqueEdges(const QString& text);
    void SetLargestPolygon(const QString& text);
    void SetTriangles(const QString& text);

    QString GetVertices() const;
    QString GetPolygons() const;
    QString GetEdges() const;
    QString GetUniqueEdges() const;
    QString GetLargestPolygon() const;
    QString GetTriangles() const;

    QPushButton* OkButton() const { return m_okButton; }

  private:
    QLabel* m_vertices = nullptr;
    QLabel* m_polygons = nullptr;
    QLabel* m_edges = nullptr;
    QLabel* m_uniqueEdges = nullptr;
    QLabel* m_largestPolygon = nullptr;
    QLabel* m_triangles = nullptr;
    QPushButton* m_okButton = nullptr;
};

}  // namespace quorvane
