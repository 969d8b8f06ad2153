// Parameter sets kept in XML files of their own, for hosts that keep no project document:
// the file's document element is the element the set is saved under and loaded from.
// These are host helpers: they create and parse documents, which the module itself never does.
#pragma once

#include <string>

#include "params/IEffectParameters.h"

// Loads the XML file at path (UTF-8) and calls parameters->LoadParameters with its document
// element. A failed load changes nothing. Statuses: S_OK; S_FALSE when a key-frame
// parameter without id or name was passed over (reason says so, the load still counts);
// HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ERROR_FILENAME_EXCED_RANGE
// or ERROR_ACCESS_DENIED) when the file cannot be read; HRESULT_FROM_WIN32(ERROR_INVALID_DATA)
// when it is not a well-formed XML document (reason then says at which line and column, and
// why); otherwise LoadParameters' own failure (DISP_E_TYPEMISMATCH, DISP_E_OVERFLOW,
// E_INVALIDARG, E_OUTOFMEMORY, ...). On anything but S_OK, *reason (when given) is one
// sentence for the user naming the file, in quotes.
HRESULT LoadParameterSetDocument(const std::string &path, IEffectParameters *parameters,
                                 std::string *reason) noexcept;

// Writes parameters->SaveParameters into a new document whose element is named
// documentElementName, and saves it to path, replacing the file in one step (a failed save
// leaves any earlier file whole). Statuses: S_OK; E_INVALIDARG for a name that is no XML
// element name; the file system's status (HRESULT_FROM_WIN32(...)) when the file cannot be
// written; SaveParameters' own failure. On failure *reason (when given) says what happened.
HRESULT SaveParameterSetDocument(const std::string &path, IEffectParameters *parameters,
                                 const std::string &documentElementName,
                                 std::string *reason) noexcept;

// The document SaveParameterSetDocument writes, as the text of a file, for a host that writes
// its files itself (to a device or a pipe as well, with the system's own reason for a failure):
// an XML declaration naming UTF-8, then the element's markup as the DOM gives it, on one line.
// Statuses and *reason as for SaveParameterSetDocument, less the file system's.
HRESULT FormatParameterSetDocument(IEffectParameters *parameters,
                                   const std::string &documentElementName, std::string *text,
                                   std::string *reason) noexcept;
