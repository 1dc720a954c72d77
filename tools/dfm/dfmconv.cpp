// dfmconv: converts form descriptions between their text and binary forms.
//
//   dfmconv --to-binary in.txt out.bin [--base dir]
//   dfmconv --to-text in.bin out.txt
//
// The text syntax, including the file references that embed binary values
// from files, is described at the top of platform/classes/ObjectText.cpp:
//   Icon.Data = {@file 'vask.ico'}                        the file's bytes
//   Picture.Data = {@graphic TJPEGBitmap 'splash.bmp'}    class name, length, bytes
// File references in the text ({@file 'name'}, {@graphic TClass 'name'}) are
// relative to --base, or to the directory of the input file. The output is
// written only when the whole input converted, through a temporary file in
// its folder that replaces it when complete, so a failure leaves an existing
// output as it was. Errors go to standard error as "dfmconv: <input>:
// <message>" (write errors: "dfmconv: Cannot write <output>: <reason>") and
// the exit status is 1; bad usage gives 2.
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/classes/Filer.h"
#include "platform/classes/SafeFileStream.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: dfmconv --to-binary in.txt out.bin [--base dir]\n"
               "       dfmconv --to-text in.bin out.txt\n");
  return 2;
}

std::string DirectoryOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 && argc != 6) return Usage();
  std::string mode = argv[1], input = argv[2], output = argv[3];
  bool to_binary = mode == "--to-binary";
  if (!to_binary && mode != "--to-text") return Usage();
  std::string base = DirectoryOf(input);
  if (argc == 6) {
    if (!to_binary || std::strcmp(argv[4], "--base") != 0) return Usage();
    base = argv[5];
  }
  TMemoryStream out;
  try {
    TMemoryStream in;
    in.LoadFromFile(input);
    if (to_binary)
      ObjectTextToBinary(in, out, base);
    else
      ObjectBinaryToText(in, out);
  } catch (const Exception& e) {
    std::fprintf(stderr, "dfmconv: %s: %s\n", input.c_str(), e.Message().c_str());
    return 1;
  }
  try {
    TSafeFileStream file(output);
    out.SaveToStream(file);
    file.Commit();
  } catch (const Exception& e) {
    // The message names the output file.
    std::fprintf(stderr, "dfmconv: %s\n", e.Message().c_str());
    return 1;
  }
  return 0;
}
