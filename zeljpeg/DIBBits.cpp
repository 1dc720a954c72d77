#include "zeljpeg/DIBBits.h"

TGlobalBlock AllocateDIBits(const TJPEGDecompressor& decompressor, TJPEGOutputType type) {
  const size_t size = static_cast<size_t>(decompressor.GetDIBitsSize(type));
  return type == jp24bit || type == jp4bit ? AllocateUnfilledGlobalBlock(size)
                                           : AllocateGlobalBlock(size);
}
