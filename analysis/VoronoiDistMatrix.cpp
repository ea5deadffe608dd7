#include "VoronoiDistMatrix.h"

TDistMatrix::TDistMatrix(const TCellTable &cells)
    : m_cells(std::make_unique<TCellTable>(cells)), m_labels(std::make_unique<TIntPlane>()),
      m_boundary(std::make_unique<TIntPlane>()), m_vertices(std::make_unique<TVertexTable>()),
      m_regions(std::make_unique<TRegionTable>()), m_saved(std::make_unique<TCellTable>(cells)),
      m_distance(std::make_unique<TIntPlane>())
{
}
TDistMatrix::~TDistMatrix() = default;
void TDistMatrix::Build() {}
void TDistMatrix::AddCell(std::int32_t, std::int32_t) {}
void TDistMatrix::RemoveCell(std::int32_t, std::int32_t) {}
void TDistMatrix::RestoreCells() {}
std::int32_t TDistMatrix::LabelAt(std::int32_t, std::int32_t) const { return 0; }
std::int16_t TDistMatrix::SidesOf(std::int32_t) const { return 0; }
void TDistMatrix::CopyBoundaryPlane(TIntPlane &dest) const { dest = *m_boundary; }
void TDistMatrix::CopyCells(TCellTable &dest) const { dest = *m_cells; }
