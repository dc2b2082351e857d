#pragma once

#include <QImage>
#include <string_view>

namespace jiujiu {

// Decodes a JPEG with libjpeg into an RGB32 image. Anything libjpeg rejects or warns about
// (corrupt, truncated, not a JPEG) and absurd dimensions give a null image.
QImage DecodeJpeg(std::string_view bytes);

} // namespace jiujiu
