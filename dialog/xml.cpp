#include "dialog/xml.h"

#include <expat.h>

#include <bit>
#include <deque>
#include <memory>
#include <mutex>

#include "dialog/dlg_text.h"
#include "runtime/data/object_table.h"
#include "runtime/data/utf.h"

namespace {

struct XmlDocument {
  // Nodes never move once made; the deque owns them all, so freeing a deep
  // tree needs no recursion.
  std::deque<XmlNode> nodes;
  XmlNode* root = nullptr;
  int errorCode = 0;
  std::u16string errorMessage;
  int errorLine = 0;
  int errorColumn = 0;
};

struct XmlRecord {
  std::unique_ptr<XmlDocument> handle;
};

void FreeDocument(ObjectHandle number);

ObjectTable<XmlRecord>& Table() {
  static ObjectTable<XmlRecord> table(8, 8, FreeDocument);
  return table;
}

void FreeDocument(ObjectHandle number) { Table().Release(number); }

// Parser state while expat runs; lives on the stack of Xml_CatchMemory.
struct Builder {
  XmlDocument* document = nullptr;
  XmlNode* current = nullptr;  // element whose children are being read
  bool inCData = false;

  XmlNode* Append(XmlNodeKind kind) {
    XmlNode& node = document->nodes.emplace_back();
    node.kind = kind;
    node.parent = current;
    if (current->lastChild)
      current->lastChild->next = &node;
    else
      current->firstChild = &node;
    current->lastChild = &node;
    return &node;
  }
};

std::u16string Wide(const XML_Char* text) { return text ? Utf8ToUtf16(text) : std::u16string(); }

void OnStart(void* data, const XML_Char* name, const XML_Char** attributes) {
  auto* b = static_cast<Builder*>(data);
  XmlNode* node = b->Append(XmlNodeKind::Element);
  node->name = Wide(name);
  for (int i = 0; attributes && attributes[i]; i += 2)
    node->attributes.emplace_back(Wide(attributes[i]), Wide(attributes[i + 1]));
  b->current = node;
}

void OnEnd(void* data, const XML_Char*) {
  auto* b = static_cast<Builder*>(data);
  if (b->current->parent) b->current = b->current->parent;
}

// Expat hands text over in pieces; consecutive pieces join one node.
void OnCharacters(void* data, const XML_Char* text, int length) {
  auto* b = static_cast<Builder*>(data);
  const XmlNodeKind kind = b->inCData ? XmlNodeKind::CData : XmlNodeKind::CharacterData;
  XmlNode* last = b->current->lastChild;
  if (!last || last->kind != kind) last = b->Append(kind);
  last->text += Utf8ToUtf16(std::string_view(text, static_cast<std::size_t>(length)));
}

void OnComment(void* data, const XML_Char* text) {
  static_cast<Builder*>(data)->Append(XmlNodeKind::Comment)->text = Wide(text);
}

void OnStartCData(void* data) {
  auto* b = static_cast<Builder*>(data);
  b->Append(XmlNodeKind::CData);  // present even when the section is empty
  b->inCData = true;
}

void OnEndCData(void* data) { static_cast<Builder*>(data)->inCData = false; }

void OnDocType(void* data, const XML_Char* name, const XML_Char*, const XML_Char*, int) {
  static_cast<Builder*>(data)->Append(XmlNodeKind::DocumentType)->name = Wide(name);
}

void OnProcessing(void* data, const XML_Char* target, const XML_Char* text) {
  XmlNode* node = static_cast<Builder*>(data)->Append(XmlNodeKind::ProcessingInstruction);
  node->name = Wide(target);
  node->text = Wide(text);
}

XmlDocument* Document(ObjectHandle number) {
  XmlRecord* record = Table().Find(number);
  return record ? record->handle.get() : nullptr;
}

}  // namespace

ObjectHandle Xml_CatchMemory(ObjectHandle number, const std::u16string& text) {
  auto document = std::make_unique<XmlDocument>();
  document->root = &document->nodes.emplace_back();

  // Naming the encoding here makes expat ignore the declaration's own.
  const char* encoding = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";
  XML_Parser parser = XML_ParserCreate(encoding);
  if (!parser) return 0;
  Builder builder{document.get(), document->root};
  XML_SetUserData(parser, &builder);
  XML_SetElementHandler(parser, OnStart, OnEnd);
  XML_SetCharacterDataHandler(parser, OnCharacters);
  XML_SetCommentHandler(parser, OnComment);
  XML_SetCdataSectionHandler(parser, OnStartCData, OnEndCData);
  XML_SetStartDoctypeDeclHandler(parser, OnDocType);
  XML_SetProcessingInstructionHandler(parser, OnProcessing);

  // One final call over the whole text. Sizes are int for expat; a text
  // beyond that is an error rather than a silent cut.
  const std::size_t bytes = text.size() * sizeof(char16_t);
  XML_Status status = XML_STATUS_ERROR;
  if (bytes <= static_cast<std::size_t>(INT32_MAX))
    status = XML_Parse(parser, reinterpret_cast<const char*>(text.data()), static_cast<int>(bytes),
                       XML_TRUE);
  if (status != XML_STATUS_OK) {
    XML_Error code = XML_GetErrorCode(parser);
    if (code == XML_ERROR_NONE) code = XML_ERROR_NO_MEMORY;
    document->errorCode = static_cast<int>(code);
    document->errorMessage = Wide(XML_ErrorString(code));
    document->errorLine = static_cast<int>(XML_GetCurrentLineNumber(parser));
    document->errorColumn = static_cast<int>(XML_GetCurrentColumnNumber(parser));
  }
  XML_ParserFree(parser);

  auto& table = Table();
  std::lock_guard lock(table.Mutex());
  ObjectHandle assigned = 0;
  XmlRecord* record = table.Allocate(number, &assigned);
  if (!record) return 0;
  const auto native = static_cast<ObjectHandle>(reinterpret_cast<std::uintptr_t>(document.get()));
  record->handle = std::move(document);
  return ObjectTable<XmlRecord>::CreateResult(number, assigned, native);
}

void Xml_Free(ObjectHandle document) {
  if (document == KX_Any)
    Table().FreeAll();
  else
    FreeDocument(document);
}

bool Xml_IsXml(ObjectHandle document) { return Table().IsObject(document); }

const XmlNode* Xml_RootNode(ObjectHandle document) {
  XmlDocument* d = Document(document);
  return d ? d->root : nullptr;
}

const XmlNode* Xml_MainNode(ObjectHandle document) {
  const XmlNode* root = Xml_RootNode(document);
  if (!root) return nullptr;
  for (const XmlNode* n = root->firstChild; n; n = n->next)
    if (n->kind == XmlNodeKind::Element) return n;
  return nullptr;
}

int Xml_Error(ObjectHandle document) {
  XmlDocument* d = Document(document);
  return d ? d->errorCode : 0;
}

std::u16string Xml_ErrorMessage(ObjectHandle document) {
  XmlDocument* d = Document(document);
  return d ? d->errorMessage : std::u16string();
}

int Xml_ErrorLine(ObjectHandle document) {
  XmlDocument* d = Document(document);
  return d ? d->errorLine : 0;
}

int Xml_ErrorColumn(ObjectHandle document) {
  XmlDocument* d = Document(document);
  return d ? d->errorColumn : 0;
}

const std::u16string* Xml_Attribute(const XmlNode& element, std::u16string_view name) {
  for (const auto& [key, value] : element.attributes)
    if (EqualsNoCase(key, name)) return &value;
  return nullptr;
}
