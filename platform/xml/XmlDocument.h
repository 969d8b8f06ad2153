// The DOM document object: the tree of one XML document, loading it from text or a file,
// saving it, and creating its nodes.
#pragma once

#include <memory>

#include "platform/xml/XmlNodeBase.h"
#include "platform/xml/XmlParseErrorInfo.h"

class XmlDocument final : public XmlNodeBase<IXMLDOMDocument> {
public:
  // Hands out the interface riid of a new, empty document.
  static HRESULT Create(REFIID riid, void **ppv);

  // Hands out a COM object for ref: the document itself for the root of its current tree,
  // otherwise a new node object.
  HRESULT WrapNode(const XmlNodeRef &ref, IXMLDOMNode **node);

  STDMETHODIMP QueryInterface(REFIID riid, void **ppv) override;

  STDMETHODIMP get_doctype(IXMLDOMDocumentType **) override { return E_NOTIMPL; }
  STDMETHODIMP get_implementation(IXMLDOMImplementation **) override { return E_NOTIMPL; }
  STDMETHODIMP get_documentElement(IXMLDOMElement **element) override;
  STDMETHODIMP putref_documentElement(IXMLDOMElement *element) override;
  STDMETHODIMP createElement(BSTR tagName, IXMLDOMElement **element) override;
  STDMETHODIMP createDocumentFragment(IXMLDOMDocumentFragment **) override { return E_NOTIMPL; }
  STDMETHODIMP createTextNode(BSTR, IXMLDOMText **) override { return E_NOTIMPL; }
  STDMETHODIMP createComment(BSTR, IXMLDOMComment **) override { return E_NOTIMPL; }
  STDMETHODIMP createCDATASection(BSTR, IXMLDOMCDATASection **) override { return E_NOTIMPL; }
  STDMETHODIMP createProcessingInstruction(BSTR, BSTR, IXMLDOMProcessingInstruction **) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP createAttribute(BSTR, IXMLDOMAttribute **) override { return E_NOTIMPL; }
  STDMETHODIMP createEntityReference(BSTR, IXMLDOMEntityReference **) override { return E_NOTIMPL; }
  STDMETHODIMP getElementsByTagName(BSTR tagName, IXMLDOMNodeList **list) override;
  STDMETHODIMP createNode(VARIANT, BSTR, BSTR, IXMLDOMNode **) override { return E_NOTIMPL; }
  STDMETHODIMP nodeFromID(BSTR, IXMLDOMNode **) override { return E_NOTIMPL; }
  STDMETHODIMP load(VARIANT source, VARIANT_BOOL *isSuccessful) override;
  STDMETHODIMP get_readyState(LONG *value) override;
  STDMETHODIMP get_parseError(IXMLDOMParseError **error) override;
  STDMETHODIMP get_url(BSTR *) override { return E_NOTIMPL; }
  STDMETHODIMP get_async(VARIANT_BOOL *isAsync) override;
  STDMETHODIMP put_async(VARIANT_BOOL isAsync) override;
  STDMETHODIMP abort() override { return E_NOTIMPL; }
  STDMETHODIMP loadXML(BSTR xml, VARIANT_BOOL *isSuccessful) override;
  STDMETHODIMP save(VARIANT destination) override;
  STDMETHODIMP get_validateOnParse(VARIANT_BOOL *isValidating) override;
  STDMETHODIMP put_validateOnParse(VARIANT_BOOL isValidating) override;
  STDMETHODIMP get_resolveExternals(VARIANT_BOOL *isResolving) override;
  STDMETHODIMP put_resolveExternals(VARIANT_BOOL isResolving) override;
  STDMETHODIMP get_preserveWhiteSpace(VARIANT_BOOL *isPreserving) override;
  STDMETHODIMP put_preserveWhiteSpace(VARIANT_BOOL isPreserving) override;
  STDMETHODIMP put_onreadystatechange(VARIANT) override { return E_NOTIMPL; }
  STDMETHODIMP put_ondataavailable(VARIANT) override { return E_NOTIMPL; }
  STDMETHODIMP put_ontransformnode(VARIANT) override { return E_NOTIMPL; }

protected:
  XmlDocument &Owner() override { return *this; }
  const XmlNodeRef &Ref() const override { return root; }

private:
  explicit XmlDocument(std::shared_ptr<XmlTree> tree);

  // Replaces the content with the parse of text (UTF-8 unless it says otherwise; url is the
  // file it came from, if any); on failure the document is left empty. Either way lastError
  // describes the outcome. S_OK, S_FALSE for text that is not a well-formed document.
  HRESULT LoadBuffer(const void *text, size_t size, bool utf8, const std::string &url,
                     VARIANT_BOOL *isSuccessful);
  // Records a failed load and empties the document.
  void Fail(XmlParseErrorInfo error);
  void UseTree(std::shared_ptr<XmlTree> tree);

  // The root of the current tree; node objects of earlier content keep their own tree.
  XmlNodeRef root;
  // What the last load or loadXML found; get_parseError hands out a copy.
  XmlParseErrorInfo lastError;
  VARIANT_BOOL async = VARIANT_TRUE;
  VARIANT_BOOL validateOnParse = VARIANT_TRUE;
  VARIANT_BOOL preserveWhiteSpace = VARIANT_FALSE;
};
