// zeljpeg-convert's conversion of one file with its errors reported, and of
// several files at once (-o DIR INPUT...).
#pragma once

#include <string>

#include "examples/convert/Options.h"

// Converts options.input into options.output (DecodeToBmp or EncodeToJpeg by
// options.to_jpeg; TransformJpeg for a lossless transform; PrintInfo for
// --info). Returns "" on success, else the line to report:
// "zeljpeg-convert: <message>" for file errors (which name their file),
// "zeljpeg-convert: <input>: <message>" for the others. Raises nothing.
std::string ConvertOne(const ConvertOptions& options);

// The output file for input in folder: input's name without its folder and
// last extension, then "." and extension.
std::string BatchOutputName(const std::string& folder, const std::string& input,
                            const std::string& extension);

// Converts every options.inputs into options.output_dir (BatchOutputName with
// options.to), options.jobs files at once (0: one per processor), with one
// progress bar for the whole batch when standard error is a terminal (or
// --progress). Each failed file is reported on standard error as ConvertOne
// words it, and the others go on; an input whose output name an earlier
// input already has is not converted and counts as failed. Returns the exit
// code: 0 when all succeeded, 1 otherwise.
int ConvertBatch(const ConvertOptions& options);
