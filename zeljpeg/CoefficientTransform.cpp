#include "zeljpeg/CoefficientTransform.h"

#include <algorithm>
#include <utility>

#include "platform/sysutils/SysUtils.h"

namespace {

JDIMENSION DivRoundUp(uint64_t a, uint64_t b) {
  return static_cast<JDIMENSION>((a + b - 1) / b);
}

JDIMENSION RoundUp(JDIMENSION a, JDIMENSION b) {
  return DivRoundUp(a, b) * b;
}

// Where each coefficient of a destination block comes from, and whether it
// changes sign, for one combination of the steps.
struct TBlockMap {
  uint8_t from[DCTSIZE2];
  bool negate[DCTSIZE2];
};

TBlockMap MakeBlockMap(bool transpose, bool mirror_x, bool mirror_y) {
  TBlockMap map{};
  for (int v = 0; v < DCTSIZE; ++v)
    for (int u = 0; u < DCTSIZE; ++u) {
      // Coefficient k = v * 8 + u: vertical frequency v, horizontal u.
      const int k = v * DCTSIZE + u;
      map.from[k] = static_cast<uint8_t>(transpose ? u * DCTSIZE + v : k);
      map.negate[k] = (mirror_x && (u & 1)) != (mirror_y && (v & 1));
    }
  return map;
}

void MapBlock(const TBlockMap& map, const JCOEF* from, JCOEF* to) {
  for (int k = 0; k < DCTSIZE2; ++k) {
    const JCOEF c = from[map.from[k]];
    to[k] = map.negate[k] ? static_cast<JCOEF>(-c) : c;
  }
}

}  // namespace

TCoefficientTransform::TCoefficientTransform(const jpeg_decompress_struct& src,
                                             TJPEGTransform transform, bool trim, bool perfect,
                                             const TCropRegion& crop)
    : steps_(StepsOf(transform)) {
  // A one-component image is coded in single blocks whatever its sampling
  // factors say: its iMCU is one block.
  const bool single = src.num_components == 1;
  const JDIMENSION max_h = single ? 1 : static_cast<JDIMENSION>(src.max_h_samp_factor);
  const JDIMENSION max_v = single ? 1 : static_cast<JDIMENSION>(src.max_v_samp_factor);
  const bool t = steps_.transpose;
  // Sizes in the destination's frame.
  uint64_t width = t ? src.image_height : src.image_width;
  uint64_t height = t ? src.image_width : src.image_height;
  const JDIMENSION imcu_w = DCTSIZE * (t ? max_v : max_h);
  const JDIMENSION imcu_h = DCTSIZE * (t ? max_h : max_v);

  if (perfect &&
      ((steps_.mirror_x && width % imcu_w != 0) || (steps_.mirror_y && height % imcu_h != 0)))
    throw Exception(
        Format("Transformation is not perfect: the image of %u x %u pixels has partial "
               "%u x %u blocks at an edge it would move",
               static_cast<unsigned>(src.image_width), static_cast<unsigned>(src.image_height),
               static_cast<unsigned>(imcu_w), static_cast<unsigned>(imcu_h)));
  const JDIMENSION full_cols = static_cast<JDIMENSION>(width / imcu_w);
  const JDIMENSION full_rows = static_cast<JDIMENSION>(height / imcu_h);
  // Trimming keeps at least one iMCU.
  if (trim && steps_.mirror_x && full_cols > 0) width = uint64_t{full_cols} * imcu_w;
  if (trim && steps_.mirror_y && full_rows > 0) height = uint64_t{full_rows} * imcu_h;

  // The right and bottom ends of the output in the transformed image.
  uint64_t x_end = width, y_end = height;
  JDIMENSION x_imcus = 0, y_imcus = 0;
  if (crop.width != 0 || crop.height != 0) {
    if (crop.width == 0 || crop.height == 0 || uint64_t{crop.x} + crop.width > width ||
        uint64_t{crop.y} + crop.height > height)
      throw Exception(Format("Crop region %ux%u+%u+%u does not lie inside the %u x %u image",
                             crop.width, crop.height, crop.x, crop.y, static_cast<unsigned>(width),
                             static_cast<unsigned>(height)));
    x_end = uint64_t{crop.x} + crop.width;
    y_end = uint64_t{crop.y} + crop.height;
    x_imcus = crop.x / imcu_w;
    y_imcus = crop.y / imcu_h;
    width = crop.width + crop.x % imcu_w;
    height = crop.height + crop.y % imcu_h;
  }
  partial_edge_kept_ = (steps_.mirror_x && x_end > uint64_t{full_cols} * imcu_w) ||
                       (steps_.mirror_y && y_end > uint64_t{full_rows} * imcu_h);
  out_width_ = static_cast<uint32_t>(width);
  out_height_ = static_cast<uint32_t>(height);
  identity_ =
      transform == jtNone && out_width_ == src.image_width && out_height_ == src.image_height;

  for (int ci = 0; ci < src.num_components; ++ci) {
    const jpeg_component_info& c = src.comp_info[ci];
    const JDIMENSION h = single ? 1 : static_cast<JDIMENSION>(c.h_samp_factor);
    const JDIMENSION v = single ? 1 : static_cast<JDIMENSION>(c.v_samp_factor);
    TComponentPlan p;
    p.h_samp = t ? v : h;
    p.v_samp = t ? h : v;
    p.array_h = static_cast<JDIMENSION>(t ? c.v_samp_factor : c.h_samp_factor);
    p.array_v = static_cast<JDIMENSION>(t ? c.h_samp_factor : c.v_samp_factor);
    p.width = DivRoundUp(uint64_t{out_width_} * p.h_samp, imcu_w);
    p.height = DivRoundUp(uint64_t{out_height_} * p.v_samp, imcu_h);
    p.x_offset = x_imcus * p.h_samp;
    p.y_offset = y_imcus * p.v_samp;
    p.full_cols = full_cols * p.h_samp;
    p.full_rows = full_rows * p.v_samp;
    plans_.push_back(p);
  }
}

void TCoefficientTransform::RequestArrays(j_decompress_ptr src) {
  if (identity_) return;
  dest_arrays_.clear();
  for (const TComponentPlan& p : plans_)
    dest_arrays_.push_back(src->mem->request_virt_barray(
        reinterpret_cast<j_common_ptr>(src), JPOOL_IMAGE, FALSE, RoundUp(p.width, p.array_h),
        RoundUp(p.height, p.array_v), p.array_v));
}

void TCoefficientTransform::AdjustDestination(j_compress_ptr dst) const {
  dst->image_width = out_width_;
  dst->image_height = out_height_;
  if (!steps_.transpose) return;
  for (int ci = 0; ci < dst->num_components; ++ci) {
    jpeg_component_info& c = dst->comp_info[ci];
    std::swap(c.h_samp_factor, c.v_samp_factor);
  }
  // A transposed block needs its quantisation table transposed as well.
  for (JQUANT_TBL* table : dst->quant_tbl_ptrs) {
    if (table == nullptr) continue;
    for (int v = 0; v < DCTSIZE; ++v)
      for (int u = v + 1; u < DCTSIZE; ++u)
        std::swap(table->quantval[v * DCTSIZE + u], table->quantval[u * DCTSIZE + v]);
  }
}

jvirt_barray_ptr* TCoefficientTransform::Execute(j_decompress_ptr src, jvirt_barray_ptr* source) {
  if (identity_) return source;
  for (size_t ci = 0; ci < plans_.size(); ++ci)
    TransformComponent(src, plans_[ci], source[ci], dest_arrays_[ci]);
  return dest_arrays_.data();
}

void TCoefficientTransform::TransformComponent(j_decompress_ptr src, const TComponentPlan& p,
                                               jvirt_barray_ptr source,
                                               jvirt_barray_ptr dest) const {
  j_common_ptr common = reinterpret_cast<j_common_ptr>(src);
  jpeg_memory_mgr& mem = *src->mem;
  const bool t = steps_.transpose;
  // The four maps: edge blocks outside the mirror range are not mirrored.
  TBlockMap maps[4];
  for (int m = 0; m < 4; ++m)
    maps[m] = MakeBlockMap(t, steps_.mirror_x && (m & 2), steps_.mirror_y && (m & 1));
  // The source's rows are accessed in groups of its own vertical sampling
  // factor (the most its arrays allow at once), aligned to that factor.
  const JDIMENSION group = t ? p.array_h : p.array_v;

  for (JDIMENSION band = 0; band < p.height; band += p.array_v) {
    JBLOCKARRAY out = mem.access_virt_barray(common, dest, band, p.array_v, TRUE);
    for (JDIMENSION r = 0; r < p.array_v && band + r < p.height; ++r) {
      const JDIMENSION ty = band + r + p.y_offset;
      const bool my = steps_.mirror_y && ty < p.full_rows;
      const JDIMENSION sy = my ? p.full_rows - 1 - ty : ty;  // row of the transposed image
      JBLOCKROW out_row = out[r];
      if (!t) {
        JBLOCKARRAY in = mem.access_virt_barray(common, source, sy - sy % group, group, FALSE);
        JBLOCKROW in_row = in[sy % group];
        for (JDIMENSION dx = 0; dx < p.width; ++dx) {
          const JDIMENSION tx = dx + p.x_offset;
          const bool mx = steps_.mirror_x && tx < p.full_cols;
          const JDIMENSION sx = mx ? p.full_cols - 1 - tx : tx;
          MapBlock(maps[(mx ? 2 : 0) | (my ? 1 : 0)], in_row[sx], out_row[dx]);
        }
      } else {
        // Column sy of the source becomes this row; its blocks lie in
        // consecutive source rows, read a group at a time.
        for (JDIMENSION dx = 0; dx < p.width;) {
          const JDIMENSION tx = dx + p.x_offset;
          const bool mx = steps_.mirror_x && tx < p.full_cols;
          const JDIMENSION sx = mx ? p.full_cols - 1 - tx : tx;  // the source row
          const JDIMENSION first = sx - sx % group;
          JBLOCKARRAY in = mem.access_virt_barray(common, source, first, group, FALSE);
          const TBlockMap& map = maps[(mx ? 2 : 0) | (my ? 1 : 0)];
          // The destination blocks whose source rows lie in this group.
          for (; dx < p.width; ++dx) {
            const JDIMENSION x = dx + p.x_offset;
            if (steps_.mirror_x && x < p.full_cols) {
              if (!mx) break;
              const JDIMENSION row = p.full_cols - 1 - x;
              if (row < first) break;
              MapBlock(map, in[row - first][sy], out_row[dx]);
            } else {
              if (mx || x >= first + group) break;
              MapBlock(map, in[x - first][sy], out_row[dx]);
            }
          }
        }
      }
    }
  }
}
