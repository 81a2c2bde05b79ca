// The loader of optional libraries: one failure policy, the dynamic linker's words kept.
#include "engine/optional_library.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(OptionalLibrary, FailuresKeepTheLinkersReasonAndBecomeError3170) {
  engine::OptionalLibrary missing("libtavrek-nessuna.so.0");
  EXPECT_FALSE(missing.Usable());
  EXPECT_NE(missing.Reason().find("libtavrek-nessuna.so.0: cannot open shared object file"), std::string::npos)
      << missing.Reason();
  const dao::Error error = missing.Error();
  EXPECT_EQ(error.Number(), 3170);
  EXPECT_NE(error.Description().find("'libtavrek-nessuna.so.0'"), std::string::npos) << error.Description();
  EXPECT_NE(error.Description().find(missing.Reason()), std::string::npos) << error.Description();

  // A call that is there binds; one that is not names itself, and later bindings do nothing.
  engine::OptionalLibrary libc("libc.so.6");
  decltype(&std::strlen) length = nullptr;
  libc.Bind("strlen", length);
  ASSERT_TRUE(libc.Usable()) << libc.Reason();
  ASSERT_NE(length, nullptr);
  EXPECT_EQ(length("Tavrek"), 6u);
  decltype(&std::strlen) absent = nullptr, later = nullptr;
  libc.Bind("tavrek_nessun_simbolo", absent).Bind("strlen", later);
  EXPECT_FALSE(libc.Usable());
  EXPECT_EQ(absent, nullptr);
  EXPECT_EQ(later, nullptr);
  EXPECT_NE(libc.Reason().find("tavrek_nessun_simbolo"), std::string::npos) << libc.Reason();

  // The first reason stands.
  libc.Refuse("altro motivo");
  EXPECT_EQ(libc.Reason().find("altro motivo"), std::string::npos);
  engine::OptionalLibrary refused("libc.so.6");
  refused.Refuse("versione sbagliata");
  EXPECT_FALSE(refused.Usable());
  EXPECT_EQ(refused.Reason(), "versione sbagliata");
}

}  // namespace
