#include "UBCellFinder.h"

TCMFinder::TCMFinder(const TGrayFrame &)
    : m_source(std::make_unique<TDoublePlane>()), m_smoothed(std::make_unique<TDoublePlane>()),
      m_response(std::make_unique<TDoublePlane>()), m_mask(std::make_unique<TDoublePlane>()),
      m_labels(std::make_unique<TDoublePlane>()), m_cells(std::make_unique<TCellTable>())
{
}
TCMFinder::~TCMFinder() = default;
void TCMFinder::Load(const TGrayFrame &) {}
void TCMFinder::Find(std::int32_t, double, const TRect &) {}
void TCMFinder::clearResult() {}
