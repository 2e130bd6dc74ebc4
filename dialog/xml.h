// The XML library: a description handed over as UTF-16 text is parsed (over
// expat) into a tree of XmlNodes. Documents live in their own object table.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "runtime/data/handle.h"

enum class XmlNodeKind : std::uint8_t {
  Root,  // the document itself; its children are the top-level nodes
  Element,
  CharacterData,
  Comment,
  CData,
  DocumentType,
  ProcessingInstruction,
};

// Nodes belong to their document and stay valid until Xml_Free.
struct XmlNode {
  XmlNodeKind kind = XmlNodeKind::Root;
  // Element: tag name. Document type: its name. Processing instruction: target.
  std::u16string name;
  // Element: attributes in document order.
  std::vector<std::pair<std::u16string, std::u16string>> attributes;
  // Character data, comment, CDATA: the text. Processing instruction: its data.
  std::u16string text;
  XmlNode* parent = nullptr;
  XmlNode* firstChild = nullptr;
  XmlNode* lastChild = nullptr;
  XmlNode* next = nullptr;
};

// Parses `text` as UTF-16 whatever its declaration says. Returns the new
// dynamic number for KX_Any, else a non-zero value; 0 when the document could
// not be made at all. A syntax error still gives a document: the tree keeps
// what was parsed up to the error, and Xml_Error* describe it.
ObjectHandle Xml_CatchMemory(ObjectHandle number, const std::u16string& text);

// Frees one document, or every document for KX_Any.
void Xml_Free(ObjectHandle document);

bool Xml_IsXml(ObjectHandle document);

// The document node (kind Root), or nullptr for an unknown number.
const XmlNode* Xml_RootNode(ObjectHandle document);
// The first element of the document, or nullptr when there is none.
const XmlNode* Xml_MainNode(ObjectHandle document);

// Expat's error code (0 when the parse succeeded or the number is unknown),
// its message (empty when none), and the 1-based line and 0-based column of
// the error.
int Xml_Error(ObjectHandle document);
std::u16string Xml_ErrorMessage(ObjectHandle document);
int Xml_ErrorLine(ObjectHandle document);
int Xml_ErrorColumn(ObjectHandle document);

// The value of the first attribute whose name equals `name` ignoring (ASCII)
// case; nullptr when the element has none.
const std::u16string* Xml_Attribute(const XmlNode& element, std::u16string_view name);
