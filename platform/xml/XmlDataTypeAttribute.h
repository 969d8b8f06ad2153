// Where an element keeps its data type: an attribute named "dt" in the namespace
// urn:schemas-microsoft-com:datatypes, written dt:dt with the prefix declared on the element
// unless an enclosing element already declares it.
#pragma once

#include "platform/xml/XmlTree.h"

inline constexpr const char *kXmlDataTypesNamespace = "urn:schemas-microsoft-com:datatypes";

// The element's data-type attribute, or an empty attribute when it has none.
pugi::xml_attribute FindDataTypeAttribute(const XmlTree &tree, pugi::xml_node element);

// Sets the element's data-type attribute to typeName, declaring the namespace where needed.
// False only when memory ran out.
bool SetDataTypeAttribute(const XmlTree &tree, pugi::xml_node element, const char *typeName);
