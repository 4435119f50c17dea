#include "app/dialogs/model_info_dlg.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace quorvane {

namespace {

// Puts a caption and its number text in row `row` of `grid`; returns the number text.
QLabel* AddNumberRow(QGridLayout* grid, int row, QWidget* box, const QString& caption) {
    grid->addWidget(new QLabel(caption, box), row, 0);
    auto* number = new QLabel(QStringLiteral("0"), box);
    number->setMinimumWidth(64);
    grid->addWidget(number, row, 1);
    return number;
}

}  // namespace

CModelInfoDlg::CModelInfoDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Current Model Information"));

    auto* fileBox = new QGroupBox(QStringLiteral("Off File"), this);
    auto* fileGrid = new QGridLayout(fileBox);
    m_vertices = AddNumberRow(fileGrid, 0, fileBox, QStringLiteral("Number of Vertices:"));
    m_polygons = AddNumberRow(fileGrid, 1, fileBox, QStringLiteral("Number of Polygons:"));
    m_edges = AddNumberRow(fileGrid, 2, fileBox, QStringLiteral("Number of Edges:"));
    m_uniqueEdges = AddNumberRow(fileGrid, 3, fileBox, QStringLiteral("Number of Unique Edges:"));
    m_largestPolygon = AddNumberRow(fileGrid, 4, fileBox, QStringLiteral("Edges in Largest Polygon:"));

    auto* meshBox = new QGroupBox(QStringLiteral("Current Tessellated Mesh"), this);
    auto* meshGrid = new QGridLayout(meshBox);
    m_triangles = AddNumberRow(meshGrid, 0, meshBox, QStringLiteral("Number of Triangles:"));
    // Line the numbers of both groups up under one another.
    int captionWidth = 0;
    for (int row = 0; row < 5; ++row) {
        captionWidth = std::max(captionWidth, fileGrid->itemAtPosition(row, 0)->widget()->sizeHint().width());
    }
    fileGrid->setColumnMinimumWidth(0, captionWidth);
    meshGrid->setColumnMinimumWidth(0, captionWidth);

    m_okButton = new QPushButton(QStringLiteral("OK"), this);
    m_okButton->setDefault(true);
    connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch();
    buttonRow->addWidget(m_okButton);
    buttonRow->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fileBox);
    layout->addWidget(meshBox);
    layout->addLayout(buttonRow);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void CModelInfoDlg::SetVertices(const QString& text) {
    m_vertices->setText(text);
}
void CModelInfoDlg::SetPolygons(const QString& text) {
    m_polygons->setText(text);
}
void CModelInfoDlg::SetEdges(const QString& text) {
    m_edges->setText(text);
}
void CModelInfoDlg::SetUniqueEdges(const QString& text) {
    m_uniqueEdges->setText(text);
}
void CModelInfoDlg::SetLargestPolygon(const QString& text) {
    m_largestPolygon->setText(text);
}
void CModelInfoDlg::SetTriangles(const QString& text) {
    m_triangles->setText(text);
}

QString CModelInfoDlg::GetVertices() const {
    return m_vertices->text();
}
QString CModelInfoDlg::GetPolygons() const {
    return m_polygons->text();
}
QString CModelInfoDlg::GetEdges() const {
    return m_edges->text();
}
QString CModelInfoDlg::GetUniqueEdges() const {
    return m_uniqueEdges->text();
}
QString CModelInfoDlg::GetLargestPolygon() const {
    return m_largestPolygon->text();
}
QString CModelInfoDlg::GetTriangles() const {
    return m_triangles->text();
}

}  // namespace quorvane
