// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/status/xml_node_cursor.h"

#include <windows.h>
#include <msxml2.h>
#include <oleauto.h>

#include <cstdint>
#include <ios>
#include <string_view>
#include <utility>

#include "base/logging.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/mingw_sdk_gaps.h"
#include "base/win/scoped_bstr.h"
#include "base/win/scoped_variant.h"

namespace velta {

using Microsoft::WRL::ComPtr;

namespace {

std::string BstrToUtf8(BSTR bstr) {
  return base::WideToUTF8(std::wstring_view(bstr, ::SysStringLen(bstr)));
}

std::string LoadError(HRESULT hr) {
  return "Cannot load the document from string w/err " + base::NumberToString(hr);
}

}  // namespace

XmlNodeCursor::XmlNodeCursor() = default;

XmlNodeCursor::~XmlNodeCursor() {
  node_.Reset();
  document_.Reset();
}

bool XmlNodeCursor::LoadFromString(const std::string& xml, std::string* error) {
  node_.Reset();
  document_.Reset();
  ComPtr<IXMLDOMDocument> document;
  HRESULT hr = ::CoCreateInstance(CLSID_DOMDocument30, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IXMLDOMDocument,
                                  reinterpret_cast<void**>(document.GetAddressOf()));
  if (FAILED(hr)) {
    LOG(ERROR) << "Cannot create the XML document: 0x" << std::hex << static_cast<uint32_t>(hr);
    return false;
  }
  if (FAILED(hr = document->put_async(VARIANT_FALSE)) ||
      FAILED(hr = document->put_validateOnParse(VARIANT_FALSE)) ||
      FAILED(hr = document->put_resolveExternals(VARIANT_FALSE))) {
    LOG(ERROR) << "Cannot set up the XML document: 0x" << std::hex << static_cast<uint32_t>(hr);
    return false;
  }

  // The text is decoded as UTF-8 here rather than through the ANSI code page,
  // so that names and paths outside that code page survive the round trip.
  base::win::ScopedBstr text;
  if (!text.Allocate(base::UTF8ToWide(xml))) {
    *error = LoadError(E_OUTOFMEMORY);
    return false;
  }
  VARIANT_BOOL is_loaded = VARIANT_FALSE;
  hr = document->loadXML(text.Get(), &is_loaded);
  if (FAILED(hr) || is_loaded != VARIANT_TRUE) {
    *error = LoadError(hr);
    return false;
  }
  ComPtr<IXMLDOMNode> node;
  hr = document->QueryInterface(IID_IXMLDOMNode, reinterpret_cast<void**>(node.GetAddressOf()));
  if (FAILED(hr)) {
    *error = "Cannot query current node w/err " + base::NumberToString(hr);
    return false;
  }
  document_ = std::move(document);
  node_ = std::move(node);
  return true;
}

XmlMoveResult XmlNodeCursor::MoveToFirstChild() {
  ComPtr<IXMLDOMNode> child;
  if (!node_ || FAILED(node_->get_firstChild(child.GetAddressOf())))
    return XmlMoveResult::kError;
  return MoveToElementFrom(std::move(child));
}

XmlMoveResult XmlNodeCursor::MoveToSibling() {
  ComPtr<IXMLDOMNode> sibling;
  if (!node_ || FAILED(node_->get_nextSibling(sibling.GetAddressOf())))
    return XmlMoveResult::kError;
  return MoveToElementFrom(std::move(sibling));
}

XmlMoveResult XmlNodeCursor::MoveToParent() {
  ComPtr<IXMLDOMNode> parent;
  if (!node_ || FAILED(node_->get_parentNode(parent.GetAddressOf())))
    return XmlMoveResult::kError;
  if (!parent)
    return XmlMoveResult::kNoElement;
  DOMNodeType type;
  if (FAILED(parent->get_nodeType(&type)))
    return XmlMoveResult::kError;
  if (type != NODE_ELEMENT)
    return XmlMoveResult::kNoElement;
  node_ = std::move(parent);
  return XmlMoveResult::kMoved;
}

bool XmlNodeCursor::GetName(std::string* out) const {
  base::win::ScopedBstr name;
  if (!node_ || FAILED(node_->get_nodeName(name.Receive())))
    return false;
  *out = BstrToUtf8(name.Get());
  return true;
}

bool XmlNodeCursor::GetText(std::string* out) const {
  base::win::ScopedBstr text;
  if (!node_ || FAILED(node_->get_text(text.Receive())))
    return false;
  *out = BstrToUtf8(text.Get());
  return true;
}

bool XmlNodeCursor::GetAttribute(const std::string& name, std::string* out) const {
  ComPtr<IXMLDOMElement> element;
  if (!node_ || FAILED(node_->QueryInterface(IID_IXMLDOMElement,
                                             reinterpret_cast<void**>(element.GetAddressOf())))) {
    return false;
  }
  base::win::ScopedBstr attribute_name(base::UTF8ToWide(name));
  base::win::ScopedVariant value;
  // S_FALSE: no such attribute.
  if (element->getAttribute(attribute_name.Get(), value.Receive()) != S_OK)
    return false;
  base::win::ScopedVariant text;
  if (FAILED(::VariantChangeType(text.Receive(), value.AsInput(), 0, VT_BSTR)))
    return false;
  *out = BstrToUtf8(V_BSTR(&static_cast<const VARIANT&>(text)));
  return true;
}

XmlMoveResult XmlNodeCursor::MoveToElementFrom(ComPtr<IXMLDOMNode> node) {
  while (node) {
    DOMNodeType type;
    if (FAILED(node->get_nodeType(&type)))
      return XmlMoveResult::kError;
    if (type == NODE_ELEMENT) {
      node_ = std::move(node);
      return XmlMoveResult::kMoved;
    }
    ComPtr<IXMLDOMNode> next;
    if (FAILED(node->get_nextSibling(next.GetAddressOf())))
      return XmlMoveResult::kError;
    node = std::move(next);
  }
  return XmlMoveResult::kNoElement;
}

}  // namespace velta
