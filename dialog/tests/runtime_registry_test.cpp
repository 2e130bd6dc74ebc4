#include "dialog/runtime_registry.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

int Procedure() { return 0; }

TEST(RuntimeRegistry, TypedValuesReadBackAsIntegers) {
  Registry_SetInteger(u"#Reg_Int", -5);
  Registry_SetFloat(u"Reg_Float", -2.75);
  Registry_SetString(u"Reg_String", u"text");
  Registry_SetProcedure(u"Reg_Proc", reinterpret_cast<void*>(&Procedure));
  std::int64_t v = 0;
  ASSERT_TRUE(Registry_Find(u"#REG_INT", &v)) << "names compare ignoring case";
  EXPECT_EQ(v, -5);
  ASSERT_TRUE(Registry_Find(u"reg_float", &v));
  EXPECT_EQ(v, -2) << "floats truncate toward zero";
  ASSERT_TRUE(Registry_Find(u"REG_PROC", &v));
  EXPECT_EQ(v, static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(&Procedure)));
  ASSERT_TRUE(Registry_Find(u"reg_string", &v));
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(v)), u"text");
  EXPECT_EQ(Registry_String(u"Reg_String"), u"text");
  EXPECT_EQ(Registry_String(u"#Reg_Int"), u"");
  EXPECT_EQ(Registry_Type(u"reg_proc"), RegistryType::Procedure);
  EXPECT_EQ(Registry_Type(u"Reg_Int"), RegistryType::None) << "the # is part of the name";
  EXPECT_FALSE(Registry_Find(u"Reg_Int", &v));

  Registry_SetFloat(u"reg_float", 1e300);
  ASSERT_TRUE(Registry_Find(u"Reg_Float", &v));
  EXPECT_EQ(v, INT64_MAX) << "saturates";
  Registry_SetInteger(u"REG_STRING", 3);  // replaces value and type
  EXPECT_EQ(Registry_Type(u"Reg_String"), RegistryType::Integer);
  EXPECT_EQ(Registry_String(u"Reg_String"), u"");

  for (const char16_t* name : {u"#Reg_Int", u"Reg_Float", u"Reg_String", u"Reg_Proc"})
    Registry_Remove(name);
  EXPECT_FALSE(Registry_Find(u"Reg_Proc", &v));
  Registry_Remove(u"never there");
}

TEST(RuntimeRegistry, ManyNamesAndThreads) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < 2000; ++i) {
        const std::u16string name = u"T" + std::u16string(1, u'a' + t) + u"_" +
                                    std::u16string(1, static_cast<char16_t>(u'0' + i % 10)) +
                                    std::u16string(static_cast<std::size_t>(i / 10 % 50), u'x');
        Registry_SetInteger(name, i);
        std::int64_t v = -1;
        EXPECT_TRUE(Registry_Find(name, &v));
      }
    });
  }
  for (auto& th : threads) th.join();
  std::int64_t v = 0;
  ASSERT_TRUE(Registry_Find(u"TA_9" + std::u16string(49, u'x'), &v));
  EXPECT_EQ(v, 1999);
  Registry_Clear();
  EXPECT_FALSE(Registry_Find(u"TA_9" + std::u16string(49, u'x'), &v));
}

}  // namespace
