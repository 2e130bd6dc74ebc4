#include "dialog/xml.h"

#include <gtest/gtest.h>

#include <string>

#include "runtime/data/utf.h"

namespace {

std::u16string U(const char* utf8) {
  std::u16string out;
  for (const char* p = utf8; *p; ++p) out += static_cast<char16_t>(static_cast<unsigned char>(*p));
  return out;
}

TEST(Xml, ParsesUtf16WhateverTheDeclarationSays) {
  const std::u16string text =
      u"<?xml version='1.0' encoding='UTF-8' ?>\n<dialogs>\\n  <window name='main' "
      u"text='XYZ öffnen' b=\"2\"><empty /></window></dialogs>";
  ObjectHandle doc = Xml_CatchMemory(KX_Any, text);
  ASSERT_NE(doc, 0);
  EXPECT_EQ(Xml_Error(doc), 0);
  EXPECT_TRUE(Xml_ErrorMessage(doc).empty());
  const XmlNode* main = Xml_MainNode(doc);
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(main->kind, XmlNodeKind::Element);
  EXPECT_EQ(main->name, u"dialogs");
  const XmlNode* text1 = main->firstChild;
  ASSERT_NE(text1, nullptr);
  EXPECT_EQ(text1->kind, XmlNodeKind::CharacterData);
  EXPECT_EQ(text1->text, u"\\n  ");
  const XmlNode* window = text1->next;
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->name, u"window");
  ASSERT_EQ(window->attributes.size(), 3u);
  EXPECT_EQ(window->attributes[0].first, u"name");
  EXPECT_EQ(window->attributes[1].second, u"XYZ öffnen");
  EXPECT_EQ(window->attributes[2].first, u"b");
  ASSERT_NE(Xml_Attribute(*window, u"TEXT"), nullptr);
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

TEST(Xml, DeclaredEncodingIsIgnored) {
  for (const char16_t* declaration :
       {u"<?xml version='1.0' encoding='ISO-8859-1'?>", u"<?xml version='1.0' encoding='UTF-16'?>",
        u"<?xml version='1.0'?>", u"\uFEFF"}) {
    const std::u16string text = std::u16string(declaration) + u"<a t='€ö'/>";
    ObjectHandle doc = Xml_CatchMemory(KX_Any, text);
    ASSERT_NE(doc, 0);
    EXPECT_EQ(Xml_Error(doc), 0) << Utf16ToUtf8(Xml_ErrorMessage(doc));
    ASSERT_NE(Xml_MainNode(doc), nullptr);
    EXPECT_EQ(Xml_MainNode(doc)->attributes[0].second, u"€ö");
    Xml_Free(doc);
  }
}

TEST(Xml, OtherNodeKindsAreKeptInOrder) {
  ObjectHandle doc =
      Xml_CatchMemory(KX_Any, u"<!DOCTYPE d><?pi data?><d><!--c--><![CDATA[<x>]]>t&amp;u<e/></d>");
  ASSERT_NE(doc, 0);
  const XmlNode* root = Xml_RootNode(doc);
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->kind, XmlNodeKind::Root);
  const XmlNode* n = root->firstChild;
  ASSERT_NE(n, nullptr);
  EXPECT_EQ(n->kind, XmlNodeKind::DocumentType);
  EXPECT_EQ(n->name, u"d");
  n = n->next;
  ASSERT_NE(n, nullptr);
  EXPECT_EQ(n->kind, XmlNodeKind::ProcessingInstruction);
  EXPECT_EQ(n->name, u"pi");
  EXPECT_EQ(n->text, u"data");
  const XmlNode* d = Xml_MainNode(doc);
  ASSERT_EQ(d, n->next);
  n = d->firstChild;
  ASSERT_NE(n, nullptr);
  EXPECT_EQ(n->kind, XmlNodeKind::Comment);
  EXPECT_EQ(n->text, u"c");
  n = n->next;
  EXPECT_EQ(n->kind, XmlNodeKind::CData);
  EXPECT_EQ(n->text, u"<x>");
  n = n->next;
  EXPECT_EQ(n->kind, XmlNodeKind::CharacterData);
  EXPECT_EQ(n->text, u"t&u") << "pieces of one run of text join one node";
  n = n->next;
  EXPECT_EQ(n->kind, XmlNodeKind::Element);
  EXPECT_EQ(n->next, nullptr);
  Xml_Free(doc);
}

TEST(Xml, SyntaxErrorKeepsTheTreeUpToIt) {
  ObjectHandle doc = Xml_CatchMemory(KX_Any, u"<a>\n<b x='1'/>\n  <c></a>");
  ASSERT_NE(doc, 0);
  EXPECT_NE(Xml_Error(doc), 0);
  EXPECT_EQ(Xml_ErrorMessage(doc), U("mismatched tag"));
  EXPECT_EQ(Xml_ErrorLine(doc), 3);
  EXPECT_EQ(Xml_ErrorColumn(doc), 7);
  const XmlNode* a = Xml_MainNode(doc);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->name, u"a");
  const XmlNode* b = a->firstChild->next;
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->name, u"b");
  Xml_Free(doc);
}

TEST(Xml, EmptyTextIsAnErrorWithoutMainNode) {
  ObjectHandle doc = Xml_CatchMemory(KX_Any, u"");
  ASSERT_NE(doc, 0);
  EXPECT_NE(Xml_Error(doc), 0);
  EXPECT_EQ(Xml_MainNode(doc), nullptr);
  Xml_Free(doc);
}

TEST(Xml, FixedNumbersReuseAndFreeAll) {
  ObjectHandle first = Xml_CatchMemory(3, u"<one/>");
  ASSERT_NE(first, 0);
  EXPECT_EQ(Xml_MainNode(3)->name, u"one");
  ASSERT_NE(Xml_CatchMemory(3, u"<two/>"), 0) << "a live number is freed and reused";
  EXPECT_EQ(Xml_MainNode(3)->name, u"two");
  ASSERT_NE(Xml_CatchMemory(20, u"<far/>"), 0) << "beyond the first 8 slots the table grows";
  ObjectHandle dynamic = Xml_CatchMemory(KX_Any, u"<dyn/>");
  EXPECT_TRUE(Xml_IsXml(dynamic));
  Xml_Free(KX_Any);
  EXPECT_FALSE(Xml_IsXml(3));
  EXPECT_FALSE(Xml_IsXml(20));
  EXPECT_FALSE(Xml_IsXml(dynamic));
  EXPECT_EQ(Xml_Error(12345), 0);
  EXPECT_TRUE(Xml_ErrorMessage(12345).empty());
  Xml_Free(12345);  // unknown numbers are harmless
}

TEST(Xml, DeepNestingIsFreedWithoutRecursion) {
  std::u16string text;
  for (int i = 0; i < 20000; ++i) text += u"<a>";
  for (int i = 0; i < 20000; ++i) text += u"</a>";
  ObjectHandle doc = Xml_CatchMemory(KX_Any, text);
  ASSERT_NE(doc, 0);
  EXPECT_EQ(Xml_Error(doc), 0);
  int depth = 0;
  for (const XmlNode* n = Xml_MainNode(doc); n; n = n->firstChild) ++depth;
  EXPECT_EQ(depth, 20000);
  Xml_Free(doc);
}

}  // namespace
