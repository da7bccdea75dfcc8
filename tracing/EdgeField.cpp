// SPDX-License-Identifier: GPL-3.0-or-later
#include "tracing/EdgeField.h"

#include <new>

#if __has_include(<sys/mman.h>)
#include <sys/mman.h>
#endif

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "tracing/TraceSource.h"

namespace velmora {

namespace {

// Cache-line aligned, and left unset until the filter writes it. The
// filter's wide vector stores into a buffer that is only 16-byte aligned
// split cache lines and took five times as long on a 1600 x 1000 picture.
// Buffers of several megabytes are placed on huge-page boundaries and
// offered to the kernel as such: faulting in 4 KB pages one by one cost more
// than the filter itself.
constexpr std::size_t kHugePage = std::size_t(2) << 20;

std::shared_ptr<std::int16_t[]> AlignedGradients(std::size_t count) {
    const std::size_t bytes = count * sizeof(std::int16_t);
    const std::align_val_t alignment{bytes >= kHugePage ? kHugePage : 64};
    auto* p = static_cast<std::int16_t*>(::operator new[](bytes, alignment));
#ifdef MADV_HUGEPAGE
    if (bytes >= kHugePage)
        madvise(p, bytes / kHugePage * kHugePage,
                MADV_HUGEPAGE); // only advice: failure is harmless
#endif
    return {p, [alignment](std::int16_t* q) { ::operator delete[](q, alignment); }};
}

} // namespace

EdgeField::EdgeField(const GreyRaster& median) : width_(median.Width()), height_(median.Height()) {
    if (width_ == 0 || height_ == 0)
        return;
    const cv::Mat in(height_, width_, CV_8UC1, const_cast<std::uint8_t*>(median.RowData(0)));
    const std::size_t size = static_cast<std::size_t>(width_) * height_;
    gx_ = AlignedGradients(size);
    gy_ = AlignedGradients(size);
    cv::Mat gx(height_, width_, CV_16SC1, gx_.get());
    cv::Mat gy(height_, width_, CV_16SC1, gy_.get());
    cv::Sobel(in, gx, CV_16S, 1, 0, 3, 1, 0, cv::BORDER_REPLICATE);
    cv::Sobel(in, gy, CV_16S, 0, 1, 3, 1, 0, cv::BORDER_REPLICATE);
}

TraceInput PrepareTraceInput(const GreyRaster& plain) {
    TraceInput out;
    GreyRaster median = Median5x5(plain);
    out.edges = EdgeField(median);
    out.grey = CleanedFromMedian(plain, std::move(median));
    return out;
}

} // namespace velmora
