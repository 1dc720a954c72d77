#include "zeljpeg/ICCProfile.h"

#include <cstdlib>
#include <cstring>
#include <memory>

// jerror.h needs jpeglib.h first (included through ICCProfile.h).
#include <jerror.h>

namespace {

// Signature, zero byte, piece number and piece count.
constexpr size_t kICCHeaderBytes = 14;

// Gives the codec object back the marker list it had, and frees the
// codec's profile block, when the scope ends.
class TMarkerListScope {
 public:
  explicit TMarkerListScope(j_decompress_ptr cinfo) : cinfo_(cinfo), saved_(cinfo->marker_list) {}
  ~TMarkerListScope() { cinfo_->marker_list = saved_; }
  TMarkerListScope(const TMarkerListScope&) = delete;
  TMarkerListScope& operator=(const TMarkerListScope&) = delete;

 private:
  j_decompress_ptr cinfo_;
  jpeg_saved_marker_ptr saved_;
};

struct TFree {
  void operator()(JOCTET* p) const { std::free(p); }
};

}  // namespace

std::vector<uint8_t> AssembleICCProfile(j_decompress_ptr cinfo,
                                        const std::vector<TJPEGMarker>& segments) {
  // The codec reads the profile from its list of saved markers: link the
  // ICC segments into one for the call.
  std::vector<jpeg_marker_struct> links;
  for (const TJPEGMarker& m : segments)
    if (IsICCSegment(m.Marker, m.Data.data(), m.Data.size())) {
      // The codec passes over a piece without room for its two numbers as if
      // it were no piece; it is a broken profile all the same.
      if (m.Data.size() < kICCHeaderBytes) {
        cinfo->err->msg_code = JWRN_BOGUS_ICC;
        cinfo->err->emit_message(reinterpret_cast<j_common_ptr>(cinfo), -1);
        return {};
      }
      jpeg_marker_struct link{};
      link.marker = static_cast<UINT8>(m.Marker);
      link.original_length = static_cast<unsigned>(m.Data.size());
      link.data_length = static_cast<unsigned>(m.Data.size());
      link.data = const_cast<JOCTET*>(m.Data.data());  // only read
      links.push_back(link);
    }
  if (links.empty()) return {};
  for (size_t i = 0; i + 1 < links.size(); ++i) links[i].next = &links[i + 1];
  TMarkerListScope scope(cinfo);
  cinfo->marker_list = links.data();
  JOCTET* data = nullptr;
  unsigned int length = 0;
  if (!jpeg_read_icc_profile(cinfo, &data, &length)) return {};
  std::unique_ptr<JOCTET, TFree> owner(data);
  return std::vector<uint8_t>(data, data + length);
}
