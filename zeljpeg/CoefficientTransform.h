// Internal to the unit: the lossless transforms on DCT coefficients, for
// TJPEGTransformer.
#pragma once

#include <cstdint>
#include <vector>

#include "zeljpeg/Jpeglib.h"
#include "zeljpeg/Transforms.h"

// A region of the transformed image, in pixels; width 0 means the whole image.
struct TCropRegion {
  uint32_t x = 0, y = 0, width = 0, height = 0;
};

// One transform of one image, planned from its header.
//
// Blocks of coefficients move whole: a transpose transposes each block, a
// mirror reverses the order of blocks along its axis and negates the
// coefficients of odd frequency along it. So the steps work on whole iMCUs
// (the blocks of one MCU: 8 x 8 pixels for a one-component image, 8 x 8
// times the largest sampling factors otherwise). A mirror leaves a partial
// iMCU at the far edge of its axis (the right edge, the bottom edge of the
// transposed image) where it was, unmirrored, so that every transform stays
// reversible; trimming drops that edge instead, and a perfect transform is
// refused when there is one. A crop starts at the iMCU boundary at or above
// and left of the requested corner and keeps the requested lower right
// corner.
class TCoefficientTransform {
 public:
  // src has read the header. Raises Exception when perfect is set and the
  // image has a partial iMCU the transform would leave in place, and when
  // the crop region is empty or does not lie inside the transformed (and
  // trimmed) image.
  TCoefficientTransform(const jpeg_decompress_struct& src, TJPEGTransform transform, bool trim,
                        bool perfect, const TCropRegion& crop);

  uint32_t OutputWidth() const { return out_width_; }
  uint32_t OutputHeight() const { return out_height_; }
  // True when the output is the source unchanged (no transform, no crop).
  bool Identity() const { return identity_; }
  // True when the output holds a partial edge iMCU that a mirror had to
  // leave where it was.
  bool PartialEdgeKept() const { return partial_edge_kept_; }

  // Requests the destination's coefficient arrays from src's memory manager.
  // Call after the header and before jpeg_read_coefficients, which then
  // allocates them together with the source's (within its memory limit).
  void RequestArrays(j_decompress_ptr src);
  // Gives dst, set up by jpeg_copy_critical_parameters from src, the
  // transformed image's size, sampling factors and quantisation tables.
  void AdjustDestination(j_compress_ptr dst) const;
  // Fills the destination arrays from the source's coefficients and returns
  // the arrays to hand to jpeg_write_coefficients (the source's own for the
  // identity).
  jvirt_barray_ptr* Execute(j_decompress_ptr src, jvirt_barray_ptr* source);

 private:
  // One component's share, in blocks of the destination.
  struct TComponentPlan {
    JDIMENSION h_samp = 1, v_samp = 1;        // sampling used for the geometry
    JDIMENSION array_h = 1, array_v = 1;      // the destination's real sampling factors
    JDIMENSION width = 0, height = 0;         // blocks of the output
    JDIMENSION x_offset = 0, y_offset = 0;    // crop offset
    JDIMENSION full_cols = 0, full_rows = 0;  // blocks of whole iMCUs (mirror range)
  };

  void TransformComponent(j_decompress_ptr src, const TComponentPlan& plan, jvirt_barray_ptr source,
                          jvirt_barray_ptr dest) const;

  TTransformSteps steps_{};
  bool identity_ = false;
  bool partial_edge_kept_ = false;
  uint32_t out_width_ = 0, out_height_ = 0;
  std::vector<TComponentPlan> plans_;
  std::vector<jvirt_barray_ptr> dest_arrays_;
};
