// Reading a document file whole, and replacing one atomically.
#pragma once

#include <string>

#include <winerror.h>

// The bytes of the file at path (UTF-8 path).
HRESULT XmlReadFile(const std::string &path, std::string &contents);

// Writes contents to a temporary file beside path, flushes it to disk and renames it over
// path, so that readers see either the old file or the whole new one.
HRESULT XmlWriteFileAtomically(const std::string &path, const std::string &contents);
