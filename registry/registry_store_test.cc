#include "registry/registry_store.h"

#include <gtest/gtest.h>

namespace korvinst {
namespace {

constexpr char kSample[] =
    "REGEDIT4\r\n"
    "\r\n"
    "; a comment\r\n"
    "[HKEY_CURRENT_USER\\Software\\Borland\\Delphi\\3.0\\Library]\r\n"
    "\"SearchPath\"=\"C:\\\\A;\\\"q\\\"\"\r\n"
    "@=\"default\"\r\n"
    "\"Flags\"=dword:0000010a\r\n"
    "\"Bin\"=hex:01,ff,\\\r\n"
    "  00\r\n"
    "\"Exp\"=hex(2):25,00\r\n"
    "\"Odd\"=hex(1):61,62\r\n"
    "\"Empty\"=hex(0):\r\n";

TEST(RegistryStoreTest, ReadsEveryKindOfValue) {
  RegistryStore store = RegistryStore::FromRegedit4(kSample);
  RegKey* key = store.FindKey(
      "hkey_current_user\\SOFTWARE\\borland\\delphi\\3.0\\library");
  ASSERT_NE(key, nullptr);
  struct Expected {
    const char* name;
    uint32_t type;
    std::string data;
  } expected[] = {
      {"SearchPath", kRegSz, std::string("C:\\A;\"q\"\0", 9)},
      {"", kRegSz, std::string("default\0", 8)},
      {"flags", kRegDword, std::string("\x0a\x01\0\0", 4)},
      {"Bin", kRegBinary, std::string("\x01\xff\0", 3)},
      {"Exp", kRegExpandSz, std::string("%\0", 2)},
      {"Odd", kRegSz, "ab"},
      {"Empty", kRegNone, ""},
  };
  for (const Expected& e : expected) {
    RegValue* value = RegistryStore::FindValue(key, e.name);
    ASSERT_NE(value, nullptr) << e.name;
    EXPECT_EQ(value->type, e.type) << e.name;
    EXPECT_EQ(value->data, e.data) << e.name;
  }
  // Parents of a key exist too.
  EXPECT_NE(store.FindKey("HKEY_CURRENT_USER\\Software\\Borland"), nullptr);
}

TEST(RegistryStoreTest, WritesWhatItReads) {
  RegistryStore store = RegistryStore::FromRegedit4(kSample);
  RegKey* key = store.CreateKey("HKEY_LOCAL_MACHINE\\SOFTWARE\\X");
  RegistryStore::SetValue(key, "line\"break", kRegSz,
                          std::string("a\r\nb\0", 5));
  RegistryStore::SetValue(key, "high", kRegSz, std::string("C:\\\xe4\0", 5));
  RegistryStore::SetValue(key, "qword", 11, std::string(8, '\1'));
  RegistryStore::SetValue(key, "odd type", 0x12345, "");
  std::string text = store.ToRegedit4();
  EXPECT_EQ(RegistryStore::FromRegedit4(text).ToRegedit4(), text);
  EXPECT_NE(text.find("\"qword\"=hex(b):01,"), std::string::npos);
  EXPECT_NE(text.find("\"odd type\"=hex(12345):\r\n"), std::string::npos);
  EXPECT_NE(text.find("\"high\"=\"C:\\\\\xe4\"\r\n"), std::string::npos);
  EXPECT_NE(text.find("\"line\\\"break\"=hex(1):61,0d,0a,62,00\r\n"),
            std::string::npos);
}

TEST(RegistryStoreTest, NewKeyTakesTheCaseOfItsExistingParents) {
  RegistryStore store = RegistryStore::FromRegedit4(
      "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\Software\\Borland]\r\n\"v\"=\"x\"\r\n");
  EXPECT_EQ(
      store.CreateKey("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Help")->path,
      "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Help");
  // Keys that only hold other keys are not written out.
  EXPECT_EQ(store.ToRegedit4(),
            "REGEDIT4\r\n"
            "\r\n[HKEY_LOCAL_MACHINE\\Software\\Borland]\r\n\"v\"=\"x\"\r\n"
            "\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Help]\r\n");
}

TEST(RegistryStoreTest, BadTextNamesItsLine) {
  struct Case {
    const char* text;
    const char* error;
  } cases[] = {
      {"", "line 0: the text does not start with REGEDIT4"},
      {"Windows Registry Editor Version 5.00\r\n", "line 1: the text does not"},
      {"REGEDIT4\n\"v\"=\"x\"\n",
       "line 2: a value stands before the first key"},
      {"REGEDIT4\n[HKEY_USERS\\X]\n", "line 2: unknown root key"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\X\n", "line 2: a key line lacks its ]"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\X]\n\"v\"=\"open\n", "line 3: a quoted"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\X]\n\"v\"=dword:12\n", "line 3: a dword"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\X]\n\"v\"=hex:1,zz\n", "line 3: bad hex"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\X]\n\"v\"=hex(x):00\n",
       "line 3: bad hex(type)"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\X]\nv=1\n", "line 3: a value line must"},
      {"REGEDIT4\n[-HKEY_CURRENT_USER\\X]\n", "line 2: key deletions"},
  };
  for (const Case& c : cases) {
    try {
      RegistryStore::FromRegedit4(c.text);
      ADD_FAILURE() << "no error for " << c.text;
    } catch (const RegistryFileError& error) {
      EXPECT_NE(std::string(error.what()).find(c.error), std::string::npos)
          << error.what();
    }
  }
}

TEST(RegistryStoreTest, ReadOnlyMarkCoversTheKeysBelow) {
  RegistryStore store;
  store.MarkReadOnly("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft");
  EXPECT_TRUE(
      store.IsReadOnly("hkey_local_machine\\software\\microsoft\\x\\y"));
  EXPECT_FALSE(store.IsReadOnly("HKEY_LOCAL_MACHINE\\SOFTWARE\\MicrosoftX"));
  EXPECT_FALSE(store.IsReadOnly("HKEY_LOCAL_MACHINE\\SOFTWARE"));
}

}  // namespace
}  // namespace korvinst
