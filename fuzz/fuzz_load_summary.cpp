// The summary of a stored examination: the distribution texts come from the
// database as they were stored (or edited by hand). Input: the side distribution
// ("4;5;6;7;other"), a newline, the area distribution (seven counts).
#include "FuzzSupport.h"
#include "UBFrameBuffer.h"
#include "UExame.h"

#include <cstddef>
#include <cstdint>

using cornix::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const auto [morpho, megat] = cornix::fuzz::SplitAtNewline({reinterpret_cast<const char *>(data), size});
    TExame exame;
    exame.MorphoInfo = QString::fromUtf8(morpho.data(), qsizetype(morpho.size()));
    exame.MegatInfo = QString::fromUtf8(megat.data(), qsizetype(megat.size()));
    exame.TotalImages = 3;
    exame.TotalCells = 250;
    exame.Density = 2500;
    TBFrameBuffer buffer;
    const bool loaded = buffer.LoadSummary(exame);
    Require(buffer.Count() == 1 && buffer.FrameCount() == 0, "a summary counts as one frame and holds none");
    if (loaded) {
        Require(morpho.find(';') != std::string_view::npos, "a side distribution has fields");
        Require(buffer.Summary().CellCount == 250, "the counts are kept");
    }
    return 0;
}
