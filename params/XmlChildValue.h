// Typed values as child elements of a DOM node: the value is the element's text and its
// type travels with the element as the DOM's data type, so a value reads back with the
// VARTYPE it was written with.
#pragma once

#include <msxml2.h>
#include <oleauto.h>

// The data-type name a value of type vt is written with, or null when such a value cannot be
// written. VT_I1 is written as "ui1", as the byte it holds.
LPCOLESTR XmlDataTypeNameOf(VARTYPE vt) noexcept;

// Appends a new element tag, made by document, to parent, holding value with its data type.
// A value of a type that cannot be written writes nothing and gives S_FALSE; the first
// failing DOM call ends the write and its code is returned.
HRESULT WriteChildValue(IXMLDOMDocument *document, IXMLDOMNode *parent, LPCOLESTR tag,
                        const VARIANT &value) noexcept;

// Reads the typed value of the first child element tag of element into value (cleared
// first). S_FALSE when there is no such child, with value left VT_EMPTY; otherwise S_OK or the
// failing call's code (a text that is not a value of its data type fails the DOM's read).
HRESULT ReadChildValue(IXMLDOMNode *element, LPCOLESTR tag, VARIANT *value) noexcept;
// The same, converted in place to vt; a conversion failure is returned (DISP_E_TYPEMISMATCH
// for text that is no number, DISP_E_OVERFLOW for one out of range).
HRESULT ReadChildValueAs(IXMLDOMNode *element, LPCOLESTR tag, VARTYPE vt, VARIANT *value) noexcept;
// The child's value as text: a string as it is, another type in its text form, an empty
// typed element as the empty string. *text is replaced with a new BSTR the caller frees.
HRESULT ReadChildText(IXMLDOMNode *element, LPCOLESTR tag, BSTR *text) noexcept;
