// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_STATUS_XML_NODE_CURSOR_H_
#define DESKTOP_WINDOWS_INSTALLER_STATUS_XML_NODE_CURSOR_H_

#include <wrl/client.h>

#include <string>

struct IXMLDOMDocument;
struct IXMLDOMNode;

namespace velta {

// The outcome of moving an XmlNodeCursor. Only kMoved moves it.
enum class XmlMoveResult : int {
  // The cursor rests on the element reached.
  kMoved = 0,
  // There is no such element.
  kNoElement = 1,
  // The DOM reported an error.
  kError = 2,
};

// Walks the elements of an XML document held by the system's MSXML 3.0 DOM.
// The cursor only ever rests on the document node (right after loading) or
// on an element: moves skip text, comments and processing instructions.
// Used on one thread, which must have COM initialised for as long as the
// cursor lives.
class XmlNodeCursor {
 public:
  XmlNodeCursor();
  XmlNodeCursor(const XmlNodeCursor&) = delete;
  XmlNodeCursor& operator=(const XmlNodeCursor&) = delete;
  ~XmlNodeCursor();

  // Parses `xml`, UTF-8 text, dropping any earlier document; the cursor then
  // rests on the document node. DTDs are neither validated nor fetched. On
  // failure `*error` says why ("Cannot load the document from string w/err "
  // and the result code, 1 for text that does not parse; MSXML gives no
  // detail), except when the DOM itself cannot be made or set up, which is
  // logged and leaves `*error` untouched.
  bool LoadFromString(const std::string& xml, std::string* error);

  XmlMoveResult MoveToFirstChild();
  XmlMoveResult MoveToSibling();
  // kNoElement from the root element: the document node is no element.
  XmlMoveResult MoveToParent();

  // The current element's name, its text (that of all its descendants,
  // concatenated) and the value of its attribute `name`, as UTF-8. False
  // when nothing is loaded, the DOM fails, or the attribute is missing.
  bool GetName(std::string* out) const;
  bool GetText(std::string* out) const;
  bool GetAttribute(const std::string& name, std::string* out) const;

 private:
  // Rests on `node` or the first element among its following siblings.
  XmlMoveResult MoveToElementFrom(Microsoft::WRL::ComPtr<IXMLDOMNode> node);

  Microsoft::WRL::ComPtr<IXMLDOMDocument> document_;
  Microsoft::WRL::ComPtr<IXMLDOMNode> node_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_STATUS_XML_NODE_CURSOR_H_
