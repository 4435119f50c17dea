#include "render/frame_renderer.h"

#include <algorithm>
#include <cassert>

#include "render/renderer.h"

namespace quorvane {

namespace {

const std::vector<CVector3D> kNoVertices;
const CPolygonArray kNoPolygons;

}  // namespace

CFrameRenderer::CFrameRenderer(int threads)
    : m_workers(std::make_unique<CWorkerPool>(std::max(threads, 1))),
      m_scene(std::make_unique<CSceneRenderer>()) {
    m_mesh.SetVertexArray(&kNoVertices);
    m_owedEyes.reserve(kMaxOwedSorts);
}

CFrameRenderer::~CFrameRenderer() = default;

void CFrameRenderer::SetModel(const CQuorvaneDoc* document) {
    m_pDocument = document;
    std::size_t vertices = 0;
    if (document != nullptr) {
        // Drawing indexes the arrays by the document's counts and indices without checking them.
        assert(document->CheckConsistency());
        vertices = static_cast<std::size_t>(document->m_nVertices);
    }
    // Written by every Transform before they are read.
    ResizeForOverwrite(m_imageX, vertices);
    ResizeForOverwrite(m_imageY, vertices);
    m_edgeCount = document != nullptr ? document->m_nUniqueEdges : 0;
    m_mesh.SetVertexArray(document != nullptr ? &document->m_vertices : &kNoVertices);
    m_mesh.Tessellate(document != nullptr ? document->m_polygons : kNoPolygons);
    m_owedEyes.clear();
    m_owedLimit = kFirstOwedLimit;
    m_bDepthTestFrame = false;
    m_bSortEveryFrame = false;
    m_scene->InvalidateColours();
    m_bProjected = false;
}

void CFrameRenderer::RefreshGeometry() {
    // Owed sorts would be made with the moved positions.
    assert(m_owedEyes.empty());
    m_mesh.RefreshGeometry();
    m_scene->InvalidateColours();
}

const CTessellatedMesh& CFrameRenderer::GetMesh() const {
    SettleOrder();
    return m_mesh;
}

void CFrameRenderer::SortFor(const CVector3D& eye) const {
    m_mesh.UpdateDistancesFor(eye, *m_workers);
    m_mesh.SortByDistances();
    ++m_counts.catchUpSorts;
}

// With distinct distances the sort has one possible result, whatever it starts from, so the latest
// owed eye alone usually decides the order, and the next frames may owe more sorts. Otherwise equal
// distances end as the sorts of the frames in turn leave them: from the latest frame before whose
// distances all differ, or from the order saved before the first.
void CFrameRenderer::SettleOrder() const {
    if (m_owedEyes.empty()) {
        return;
    }
    const std::size_t owed = m_owedEyes.size();
    if (owed > 1) {
        m_savedOrder = m_mesh.GetOrder();
    }
    SortFor(m_owedEyes.back());
    const bool distinct = m_mesh.LastSortPath() == DepthSortPath::kDistinctKeys;
    if (distinct) {
        m_owedLimit = std::min(2 * m_owedLimit, kMaxOwedSorts);
    } else if (owed > 1) {
        ++m_counts.replays;
        std::size_t from = 0;
        for (std::size_t j = owed - 1; j-- > 0;) {
            // A frame seen from the same eye as the one after it has the same distances.
            if (m_owedEyes[j] == m_owedEyes[j + 1]) {
                continue;
            }
            SortFor(m_owedEyes[j]);
            if (m_mesh.LastSortPath() == DepthSortPath::kDistinctKeys) {
                from = j + 1;
                break;
            }
        }
        if (from == 0) {
            m_mesh.SetOrder(m_savedOrder);
        }
        for (std::size_t j = from; j < owed; ++j) {
            SortFor(m_owedEyes[j]);
        }
    }
    m_owedEyes.clear();
    // Equal distances now are likely to come back in the frames that follow, whose owed sorts
    // would then have to be replayed: they are sorted as they come until the distances differ.
    if (!distinct) {
        m_bSortEveryFrame = true;
        m_owedLimit = kFirstOwedLimit;
    }
    if (m_bFreeSortMemory) {
        m_mesh.FreeSortMemory();
    }
}

void CFrameRenderer::Transform(const CViewingSpace& camera, const DrawingSettings& settings) {
    ++m_counts.transforms;
    const CVector3D* vertices = m_pDocument != nullptr ? m_pDocument->m_vertices.data() : nullptr;
    // The pixels are made with the projection for the image as it is sized, which the next Render
    // usually keeps.
    m_scene->Project(camera, vertices, static_cast<int>(m_imageX.size()), m_imageX.data(), m_imageY.data(),
                     *m_workers, m_image.Size(), settings.mode == DrawingMode::kWireframe);
    m_bDepthTestFrame = false;
    if (settings.mode == DrawingMode::kSolid) {
        const auto depthTest = [&] { return m_solidMethod == SolidMethod::kDepthTest && !m_bSortEveryFrame; };
        if (depthTest() && m_owedEyes.size() >= m_owedLimit) {
            SettleOrder();
        }
        if (depthTest()) {
            // The distances are worked out as the triangles are drawn.
            m_owedEyes.push_back(camera.GetFromPoint());
            m_mesh.SetEye(camera.GetFromPoint());
            m_bDepthTestFrame = true;
        } else {
            SettleOrder();
            m_scene->SortAndShade(m_mesh, camera, settings.lighting, *m_workers);
            if (m_mesh.LastSortPath() == DepthSortPath::kDistinctKeys) {
                m_bSortEveryFrame = false;
            }
            if (m_bFreeSortMemory) {
                m_mesh.FreeSortMemory();
            }
        }
    }
    m_bProjected = true;
}

const CImage& CFrameRenderer::Render(const CViewingSpace& camera, const DrawingSettings& settings,
                                     int imageSize) {
    ++m_counts.renders;
    m_image.Resize(imageSize);
    m_lighting = settings.lighting;
    if (settings.mode == DrawingMode::kSolid && !m_scene->ProjectedCameraDegenerate()) {
        m_lighting.UpdateLightDirection(camera);
    }
    SceneInput scene;
    scene.document = m_pDocument;
    scene.triangles = &m_mesh;
    scene.imageX = m_imageX.data();
    scene.imageY = m_imageY.data();
    scene.vertexCount = m_bProjected && m_pDocument != nullptr ? static_cast<int>(m_imageX.size()) : 0;
    scene.edgeCount = m_edgeCount;
    scene.settings = &settings;
    scene.lighting = &m_lighting;
    if (settings.mode == DrawingMode::kSolid && m_bDepthTestFrame &&
        CSceneRenderer::DepthLayers(imageSize, m_workers->Count()) > 0) {
        scene.depthTest = true;
        if (m_scene->Render(scene, m_image, *m_workers)) {
            ++m_counts.depthTestedFrames;
            if (m_scene->DepthTestMetTies()) {
                // Equal distances, though of one colour here: the owed sorts are made while they
                // are few, as the frames that follow would likely owe sorts only a replay could make.
                SettleOrder();
                m_bDepthTestFrame = false;
            }
            return m_image;
        }
        // A pixel that only the painting order decides, or a distance the test cannot compare:
        // the owed sorts are made, this frame's last, and it is painted in that order.
        ++m_counts.depthTestFallbacks;
        m_bDepthTestFrame = false;
        scene.depthTest = false;
    }
    if (settings.mode == DrawingMode::kSolid) {
        SettleOrder();
    }
    m_scene->Render(scene, m_image, *m_workers);
    return m_image;
}

const CImage& CFrameRenderer::RenderFrame(const CViewingSpace& camera, const DrawingSettings& settings,
                                          int imageSize) {
    m_owedEyes.clear();
    m_mesh.ResetOrder();
    m_image.Resize(imageSize);
    Transform(camera, settings);
    return Render(camera, settings, imageSize);
}

bool CFrameRenderer::IsProjectedCameraDegenerate() const {
    return m_scene->ProjectedCameraDegenerate();
}

void CFrameRenderer::SetSolidMethod(SolidMethod method) {
    SettleOrder();
    m_solidMethod = method;
    m_bDepthTestFrame = false;
}

void CFrameRenderer::SetThreads(int count) {
    m_workers = std::make_unique<CWorkerPool>(std::max(count, 1));
}

}  // namespace quorvane
