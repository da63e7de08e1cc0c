#pragma once

// Private to the ui library: widget backgrounds kept between renders, with their compressed rows.

#include <cstddef>
#include <list>
#include <memory>
#include <mutex>

#include "ui/display/display_list.hpp"

namespace ui::detail {

struct EncodedBackground;

// The widget background is the same gradient for every render of a size, and drawing and
// compressing it costs more than the rest of the picture. So a finished background is kept with
// its pixels and its compressed bands: a render copies the pixels band by band, and the encoder
// reuses every band that the content left untouched. A background is kept from its second use
// on: a process that renders each size once (the usual command-line run) would only pay a
// picture-sized buffer for it. The cache is small: one entry per family, scale and appearance
// is all a host asks for. Thread-safe.
class BackgroundCache {
 public:
  // The kept background for `fill` on a picture of width x height pixels drawn at `scale`:
  // none on its first use (the caller paints it), made and kept from the second on.
  std::shared_ptr<EncodedBackground> use(const FillGradient& fill, double scale, int width,
                                         int height);

 private:
  static constexpr std::size_t kCapacity = 8;
  struct Entry {
    FillGradient fill;
    double scale;
    int width;
    int height;
    std::shared_ptr<EncodedBackground> encoded;
  };
  std::mutex mutex_;
  std::list<Entry> entries_;
  std::list<Entry> seen_;  // used once, not kept yet
};

}  // namespace ui::detail
