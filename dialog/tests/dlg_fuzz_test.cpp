// Random and cut-off descriptions must never crash the parser, the builder
// or the layout: an error or an empty tree is a fine outcome.
#include <gtest/gtest.h>

#include <random>

#include "dialog/tests/script_host.h"

namespace {

const char16_t* const kNames[] = {
    u"window",     u"dialogs",     u"vbox",      u"hbox",      u"gridbox", u"multibox",
    u"singlebox",  u"empty",       u"container", u"frame",     u"panel",   u"tab",
    u"scrollarea", u"splitter",    u"canvas",    u"button",    u"option",  u"text",
    u"listview",   u"progressbar", u"spin",      u"hyperlink", u"string",  u"bogus"};
const char16_t* const kAttributes[] = {
    u"name",      u"text",     u"width",     u"height",      u"folded",     u"flags",
    u"id",        u"expand",   u"align",     u"margin",      u"spacing",    u"columns",
    u"colspan",   u"rowspan",  u"colexpand", u"rowexpand",   u"innerwidth", u"innerheight",
    u"scrolling", u"firstmin", u"minwidth",  u"maxheight",   u"group",      u"onchange",
    u"onevent",   u"min",      u"value",     u"expandwidth", u"disabled"};
// clang-format off
const char16_t* const kValues[] = {
    u"yes", u"no", u"equal", u"item:2", u"item:-3", u"center", u"bottom right", u"auto", u"-1",
    u"0", u"7", u"999999999999", u"-2147483648", u"vertical:4,left:2", u"#KX_Any",
    u"#KX_Window_Tool|#KX_Canvas_Container", u"#KX_Splitter_Vertical | #KX_Splitter_Separator",
    u"#nope", u"request", u"HORIZONTAL", u"VERTICAL", u"", u"ö\u00a0", u"3000"};
// clang-format on

template <class T, std::size_t N>
const T& Pick(std::mt19937& rng, const T (&items)[N]) {
  return items[std::uniform_int_distribution<std::size_t>(0, N - 1)(rng)];
}

std::u16string RandomElement(std::mt19937& rng, int depth) {
  std::u16string name = Pick(rng, kNames);
  std::u16string out = u"<" + name;
  const int attributes = static_cast<int>(rng() % 4);
  for (int i = 0; i < attributes; ++i)
    out += u" " + std::u16string(Pick(rng, kAttributes)) + u"='" + Pick(rng, kValues) + u"'";
  const int children = depth > 5 ? 0 : static_cast<int>(rng() % 5);
  if (children == 0) return out + u" />";
  out += u">";
  for (int i = 0; i < children; ++i) out += RandomElement(rng, depth + 1);
  return out + u"</" + name + u">";
}

void BuildAndLayOut(const std::u16string& xml, std::mt19937& rng) {
  script::Built b;
  b.Make(xml, rng() % 3 ? u"" : u"main");
  if (!b.window) return;
  auto [w, h] =
      DlgLayoutOpen(*b.window, static_cast<int>(rng() % 300), static_cast<int>(rng() % 300));
  EXPECT_GE(w, 0);
  DlgLayoutRelayout(*b.window, static_cast<int>(rng() % 2000) - 100,
                    static_cast<int>(rng() % 2000) - 100);
  b.window->FindByName(u"x");
  b.window->ApplyText();
  b.window->SetHidden(false);
  for (const auto& child : b.window->Children())
    if (auto* s = dynamic_cast<DlgSplitter*>(child.get())) s->OnContainerResized(1, 50, 50);
}

TEST(Fuzz, RandomDescriptions) {
  std::mt19937 rng(12345);
  for (int i = 0; i < 3000; ++i) {
    std::u16string xml = u"<window name='main'>" + RandomElement(rng, 0) + u"</window>";
    if (i % 3 == 0) xml = u"<dialogs>" + xml + RandomElement(rng, 0) + u"</dialogs>";
    BuildAndLayOut(xml, rng);
  }
}

TEST(Fuzz, TruncatedAndMutatedDescriptions) {
  std::mt19937 rng(777);
  const std::u16string base =
      u"<?xml version='1.0' encoding='UTF-8' ?>\n<dialogs>\\n  <window id='#KX_ANY' name='main' "
      u"minwidth='600' minheight='400' flags='#KX_Window_SystemMenu|#KX_Window_SizeGadget'>"
      u"<vbox expand='item:2'><hbox expand='item:3'><button name='open' text='XYZ öffnen' />"
      u"<empty /></hbox><gridbox columns='3'><text colspan='2'/><canvas rowspan='3'/>"
      u"<scrollarea scrolling='vertical'><splitter><frame/><panel><tab/></panel></splitter>"
      u"</scrollarea></gridbox><hbox expand='equal'><text name='text' text=' ' />"
      u"<progressbar name='progress' min='0' max='100' value='0' /></hbox></vbox></window>"
      u"</dialogs>";
  for (std::size_t cut = 0; cut <= base.size(); ++cut) BuildAndLayOut(base.substr(0, cut), rng);
  const char16_t noise[] = u"<>/='\"#|:& \\n\0\xD800x";
  for (int i = 0; i < 3000; ++i) {
    std::u16string xml = base;
    const int edits = 1 + static_cast<int>(rng() % 6);
    for (int e = 0; e < edits; ++e) {
      const std::size_t at = rng() % xml.size();
      switch (rng() % 3) {
        case 0:
          xml[at] = noise[rng() % (sizeof noise / sizeof noise[0])];
          break;
        case 1:
          xml.erase(at, rng() % 8);
          break;
        default:
          xml.insert(at, xml.substr(rng() % xml.size(), rng() % 40));
          break;
      }
      if (xml.empty()) xml = u"<";
    }
    BuildAndLayOut(xml, rng);
  }
}

TEST(Fuzz, RandomBytes) {
  std::mt19937 rng(99);
  for (int i = 0; i < 2000; ++i) {
    std::u16string xml(rng() % 64, u' ');
    for (auto& c : xml) c = static_cast<char16_t>(rng() % 4 ? u"<>w/ a='#"[rng() % 9] : rng());
    BuildAndLayOut(xml, rng);
  }
}

}  // namespace
