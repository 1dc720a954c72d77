// Form descriptions in tests: converted between their text and binary forms,
// read into components and written from them.
#pragma once

#include <string>

#include "platform/classes/Classes.h"

std::string TextToBinary(const std::string& text);
std::string BinaryToText(const std::string& binary);
// Reads binary into root (null: a new root from the class registry, which
// the caller owns) and returns the root.
TComponent* ReadForm(const std::string& binary, TComponent* root);
std::string WriteForm(TComponent* root);
