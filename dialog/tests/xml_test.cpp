#include "dialog/xml.h"

#include <gtest/gtest.h>

#include <string>

#include "runtime/data/utf.h"

namespace {

TEST(Xml, ParsesUtf16WhateverTheDeclarationSays) {
  for (const char16_t* declaration : {u"<?xml version='1.0' encoding='UTF-8' ?>\n",
                                      u"<?xml version='1.0' encoding='ISO-8859-1'?>",
                                      u"<?xml version='1.0' encoding='UTF-16'?>", u"\uFEFF"}) {
    SCOPED_TRACE(Utf16ToUtf8(declaration));
    ObjectHandle doc = Xml_CatchMemory(
        KX_Any, std::u16string(declaration) +
                    u"<dialogs>\\n  <window name='main' text='XYZ öffnen €' b=\"2\"><empty />"
                    u"</window></dialogs>");
    ASSERT_NE(doc, 0);
    EXPECT_EQ(Xml_Error(doc), 0) << Utf16ToUtf8(Xml_ErrorMessage(doc));
    EXPECT_TRUE(Xml_ErrorMessage(doc).empty());
    const XmlNode* main = Xml_MainNode(doc);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(main->name, u"dialogs");
    const XmlNode* text = main->firstChild;
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->kind, XmlNodeKind::CharacterData);
    EXPECT_EQ(text->text, u"\\n  ");
    const XmlNode* window = text->next;
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(window->attributes.size(), 3u);
    EXPECT_EQ(window->attributes[1].second, u"XYZ öffnen €");
    EXPECT_EQ(window->attributes[2].first, u"b") << "attributes keep their order";
    EXPECT_EQ(*Xml_Attribute(*window, u"Name"), u"main");
    EXPECT_EQ(Xml_Attribute(*window, u"missing"), nullptr);
    ASSERT_NE(window->firstChild, nullptr);
    EXPECT_EQ(window->firstChild->name, u"empty");
    EXPECT_EQ(window->firstChild->parent, window);
    EXPECT_EQ(window->next, nullptr);
    Xml_Free(doc);
    EXPECT_FALSE(Xml_IsXml(doc));
    EXPECT_EQ(Xml_MainNode(doc), nullptr);
  }
}

TEST(Xml, OtherNodeKindsAreKeptInOrder) {
  ObjectHandle doc =
      Xml_CatchMemory(KX_Any, u"<!DOCTYPE d><?pi data?><d><!--c--><![CDATA[<x>]]>t&amp;u<e/></d>");
  const XmlNode* root = Xml_RootNode(doc);
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->kind, XmlNodeKind::Root);
  const struct {
    XmlNodeKind kind;
    const char16_t* name;  // or the text
  } expected[] = {{XmlNodeKind::DocumentType, u"d"}, {XmlNodeKind::ProcessingInstruction, u"data"},
                  {XmlNodeKind::Element, u"d"},      {XmlNodeKind::Comment, u"c"},
                  {XmlNodeKind::CData, u"<x>"},      {XmlNodeKind::CharacterData, u"t&u"},
                  {XmlNodeKind::Element, u"e"}};
  // Walk the document's children, then the main element's.
  const XmlNode* n = root->firstChild;
  for (const auto& e : expected) {
    SCOPED_TRACE(Utf16ToUtf8(e.name));
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(n->kind, e.kind);
    const bool named = e.kind == XmlNodeKind::Element || e.kind == XmlNodeKind::DocumentType;
    EXPECT_EQ(named ? n->name : n->text, e.name) << "one run of text is one node";
    if (n->kind == XmlNodeKind::ProcessingInstruction) {
      EXPECT_EQ(n->name, u"pi");
    }
    n = n == Xml_MainNode(doc) ? n->firstChild : n->next;
  }
  EXPECT_EQ(n, nullptr);
  Xml_Free(doc);
}

TEST(Xml, SyntaxErrorKeepsTheTreeUpToIt) {
  ObjectHandle doc = Xml_CatchMemory(KX_Any, u"<a>\n<b x='1'/>\n  <c></a>");
  ASSERT_NE(doc, 0);
  EXPECT_NE(Xml_Error(doc), 0);
  EXPECT_EQ(Xml_ErrorMessage(doc), u"mismatched tag");
  EXPECT_EQ(Xml_ErrorLine(doc), 3);
  EXPECT_EQ(Xml_ErrorColumn(doc), 7);
  const XmlNode* a = Xml_MainNode(doc);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(a->firstChild->next, nullptr);
  EXPECT_EQ(a->firstChild->next->name, u"b");
  Xml_Free(doc);

  doc = Xml_CatchMemory(KX_Any, u"");
  ASSERT_NE(doc, 0) << "empty text is an error without a main node";
  EXPECT_NE(Xml_Error(doc), 0);
  EXPECT_EQ(Xml_MainNode(doc), nullptr);
  Xml_Free(doc);
}

TEST(Xml, FixedNumbersReuseAndFreeAll) {
  ASSERT_NE(Xml_CatchMemory(3, u"<one/>"), 0);
  EXPECT_EQ(Xml_MainNode(3)->name, u"one");
  ASSERT_NE(Xml_CatchMemory(3, u"<two/>"), 0) << "a live number is freed and reused";
  EXPECT_EQ(Xml_MainNode(3)->name, u"two");
  ASSERT_NE(Xml_CatchMemory(20, u"<far/>"), 0) << "beyond the first 8 slots the table grows";
  ObjectHandle dynamic = Xml_CatchMemory(KX_Any, u"<dyn/>");
  EXPECT_TRUE(Xml_IsXml(dynamic));
  Xml_Free(KX_Any);
  for (ObjectHandle gone : {ObjectHandle{3}, ObjectHandle{20}, dynamic})
    EXPECT_FALSE(Xml_IsXml(gone));
  EXPECT_EQ(Xml_Error(12345), 0);
  EXPECT_TRUE(Xml_ErrorMessage(12345).empty());
  Xml_Free(12345);  // unknown numbers are harmless
}

TEST(Xml, DeepNestingIsFreedWithoutRecursion) {
  std::u16string text;
  for (int i = 0; i < 20000; ++i) text += u"<a>";
  for (int i = 0; i < 20000; ++i) text += u"</a>";
  ObjectHandle doc = Xml_CatchMemory(KX_Any, text);
  EXPECT_EQ(Xml_Error(doc), 0);
  int depth = 0;
  for (const XmlNode* n = Xml_MainNode(doc); n; n = n->firstChild) ++depth;
  EXPECT_EQ(depth, 20000);
  Xml_Free(doc);
}

}  // namespace
