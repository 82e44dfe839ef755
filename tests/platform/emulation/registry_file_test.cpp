// Tests of the emulated machine's registry: values kept in system.reg, the file format, access
// rights from machine.ini and the file's mode, and changes made by other writers.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/errors.h"
#include "platform/machine.h"
#include "platform/registry.h"
#include "support/temp_prefix.h"

namespace {

using platform::Hive;
using platform::RegKey;

constexpr const char* kZefiKey = "SOFTWARE\\Zefi Publishing\\ZEFI";

class RegistryFile : public testsupport::PrefixTest {
  protected:
    void SetMachine(const std::string& ini) {
        m_prefix->WriteHostFile("machine.ini", ini);
        platform::ReloadMachine();
    }
    std::string RegFile() const { return m_prefix->ReadHostFile("system.reg"); }
};

TEST_F(RegistryFile, ValuesSurviveInTheFileAndReadBackThroughNewHandles) {
    {
        RegKey key;
        ASSERT_EQ(key.Create(Hive::LocalMachine, kZefiKey, platform::kKeyAllAccess), 0u);
        EXPECT_EQ(key.SetString("InstallDir", "C:\\ZEFI"), 0u);
        EXPECT_EQ(key.SetDword("NetMaster", 10), 0u);
        EXPECT_EQ(key.SetString("InstallDir", "D:\\Zefi \"new\""), 0u);  // replaces
    }
    const std::string file = RegFile();
    EXPECT_EQ(file.rfind("Windows Registry Editor Version 5.00\n\n", 0), 0u) << file;
    EXPECT_NE(file.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zefi Publishing\\ZEFI]\n"
                        "\"InstallDir\"=\"D:\\\\Zefi \\\"new\\\"\"\n"
                        "\"NetMaster\"=dword:0000000a\n"),
              std::string::npos)
        << file;
    EXPECT_EQ(file.find("C:\\\\ZEFI"), std::string::npos) << file;

    // A restart of the program: the machine is loaded again from the prefix.
    platform::ReloadMachine();
    RegKey key;
    ASSERT_EQ(key.Open(Hive::LocalMachine, "software\\ZEFI PUBLISHING\\zefi", platform::kKeyRead),
              0u);
    std::string value;
    uint32_t dword = 0;
    EXPECT_EQ(key.QueryString("installdir", &value), 0u);
    EXPECT_EQ(value, "D:\\Zefi \"new\"");
    EXPECT_EQ(key.QueryDword("NETMASTER", &dword), 0u);
    EXPECT_EQ(dword, 10u);
    // Parents of a created key exist as keys of their own.
    RegKey parent;
    EXPECT_EQ(parent.Open(Hive::LocalMachine, "SOFTWARE\\Zefi Publishing", platform::kKeyRead), 0u);
}

TEST_F(RegistryFile, ReadsHandWrittenFilesWithCrLfAndOtherTypes) {
    m_prefix->WriteHostFile("system.reg",
                            "Windows Registry Editor Version 5.00\r\n\r\n"
                            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zefi Publishing\\ZEFI]\r\n"
                            "\"AutoParam\"=\"-Q 1,0 -o \\\"C:\\\\Zefi dir\\\"\"\r\n"
                            "\"Binary\"=hex:01,02,\\\r\n  03,04\r\n"
                            "\"Edition\"=dword:00000001\r\n\r\n"
                            "[HKEY_CURRENT_USER\\Software\\Test]\r\n"
                            "@=\"default\"\r\n"
                            "\"Mixed\"=\"\xC5\xA1t\xC3\xA1t\"\r\n");
    RegKey key;
    ASSERT_EQ(key.Open(Hive::LocalMachine, kZefiKey, platform::kKeyAllAccess), 0u);
    std::string value;
    uint32_t dword = 0;
    EXPECT_EQ(key.QueryString("AutoParam", &value), 0u);
    EXPECT_EQ(value, "-Q 1,0 -o \"C:\\Zefi dir\"");
    EXPECT_EQ(key.QueryDword("Edition", &dword), 0u);
    EXPECT_EQ(dword, 1u);
    EXPECT_EQ(key.QueryString("Binary", &value), platform::kErrorInvalidData);
    EXPECT_EQ(key.QueryDword("AutoParam", &dword), platform::kErrorInvalidData);

    RegKey user;
    ASSERT_EQ(user.Open(Hive::CurrentUser, "Software\\Test", platform::kKeyRead), 0u);
    EXPECT_EQ(user.QueryString("", &value), 0u);
    EXPECT_EQ(value, "default");
    EXPECT_EQ(user.QueryString("Mixed", &value), 0u);
    // The file is UTF-8; the program reads the code page's bytes.
    EXPECT_EQ(value, "\x9At\xE1t");

    // A change writes the file back without losing what it does not understand.
    EXPECT_EQ(key.SetString("InstallDir", "C:\\ZEFI"), 0u);
    const std::string file = RegFile();
    EXPECT_NE(file.find("\"Binary\"=hex:01,02,\\\n  03,04\n"), std::string::npos) << file;
    EXPECT_NE(file.find("[HKEY_CURRENT_USER\\Software\\Test]\n@=\"default\"\n"), std::string::npos)
        << file;
    EXPECT_EQ(key.QueryString("AutoParam", &value), 0u);
    EXPECT_EQ(value, "-Q 1,0 -o \"C:\\Zefi dir\"");
}

TEST_F(RegistryFile, ADanglingContinuationOnTheLastLineTakesNoValueWrittenAfterIt) {
    m_prefix->WriteHostFile("system.reg",
                            "Windows Registry Editor Version 5.00\r\n\r\n"
                            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zefi Publishing\\ZEFI]\r\n"
                            "\"Broken\"=\"-q \\\r\n");
    {
        RegKey key;
        ASSERT_EQ(key.Open(Hive::LocalMachine, kZefiKey, platform::kKeyAllAccess), 0u);
        ASSERT_EQ(key.SetString("InstallDir", "C:\\ZEFI"), 0u);
    }
    RegKey key;
    ASSERT_EQ(key.Open(Hive::LocalMachine, kZefiKey, platform::kKeyRead), 0u);
    std::string value;
    EXPECT_EQ(key.QueryString("InstallDir", &value), 0u) << RegFile();
    EXPECT_EQ(value, "C:\\ZEFI");
}

TEST_F(RegistryFile, SeveralBackslashesEndingTheLastLineTakeNoValueWrittenAfterThem) {
    m_prefix->WriteHostFile("system.reg",
                            "Windows Registry Editor Version 5.00\r\n\r\n"
                            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zefi Publishing\\ZEFI]\r\n"
                            "\"Broken\"=\"-q\r\\\\\\\\\n");
    for (int round = 0; round < 2; ++round) {
        RegKey key;
        ASSERT_EQ(key.Open(Hive::LocalMachine, kZefiKey, platform::kKeyAllAccess), 0u);
        ASSERT_EQ(key.SetString(round == 0 ? "InstallDir" : "AutoParam", "C:\\ZEFI"), 0u);
    }
    RegKey key;
    ASSERT_EQ(key.Open(Hive::LocalMachine, kZefiKey, platform::kKeyRead), 0u);
    std::string value;
    EXPECT_EQ(key.QueryString("InstallDir", &value), 0u) << RegFile();
    EXPECT_EQ(value, "C:\\ZEFI");
    EXPECT_EQ(key.QueryString("AutoParam", &value), 0u) << RegFile();
    EXPECT_EQ(value, "C:\\ZEFI");
}

TEST_F(RegistryFile, CarriageReturnsBeforeABackslashTakeNoValueWrittenAfterThem) {
    // Raw texts that end in a backslash once a carriage return at their end is read as the
    // line end: in the middle of the file, and on the last line behind the dangling mark.
    m_prefix->WriteHostFile("system.reg",
                            "Windows Registry Editor Version 5.00\r\n\r\n"
                            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zefi Publishing\\ZEFI]\r\n"
                            "\"Middle\"=hex:01,\\\r\r\n"
                            "\"Edition\"=dword:00000002\r\n"
                            "\"Last\"=hex:02,\\\\\r\\\\\n");
    // Whatever the first reading makes of the value after the continued line, saves keep it.
    uint32_t before = 0;
    uint32_t found = 0;
    {
        RegKey key;
        ASSERT_EQ(key.Open(Hive::LocalMachine, kZefiKey, platform::kKeyRead), 0u);
        found = key.QueryDword("Edition", &before);
    }
    for (int round = 0; round < 3; ++round) {
        RegKey key;
        ASSERT_EQ(key.Open(Hive::LocalMachine, kZefiKey, platform::kKeyAllAccess), 0u);
        ASSERT_EQ(key.SetString("Round" + std::to_string(round), "C:\\ZEFI"), 0u);
    }
    RegKey key;
    ASSERT_EQ(key.Open(Hive::LocalMachine, kZefiKey, platform::kKeyRead), 0u);
    uint32_t after = 0;
    EXPECT_EQ(key.QueryDword("Edition", &after), found) << RegFile();
    EXPECT_EQ(after, before);
    for (int round = 0; round < 3; ++round) {
        std::string value;
        EXPECT_EQ(key.QueryString("Round" + std::to_string(round), &value), 0u) << RegFile();
        EXPECT_EQ(value, "C:\\ZEFI");
    }
}

TEST_F(RegistryFile, WriteAccessToTheMachineHiveNeedsAdministratorRights) {
    {
        RegKey key;
        ASSERT_EQ(key.Create(Hive::LocalMachine, kZefiKey, platform::kKeyAllAccess), 0u);
        ASSERT_EQ(key.SetString("InstallDir", "C:\\ZEFI"), 0u);
    }
    SetMachine("[system]\nadmin = 0\n[drives]\nC = drive_c, fixed\n");
    RegKey key;
    EXPECT_EQ(key.Open(Hive::LocalMachine, kZefiKey, platform::kKeyAllAccess),
              platform::kErrorAccessDenied);
    EXPECT_EQ(key.Open(Hive::LocalMachine, kZefiKey, platform::kKeyWrite),
              platform::kErrorAccessDenied);
    EXPECT_EQ(key.Create(Hive::LocalMachine, "SOFTWARE\\Other", platform::kKeyRead),
              platform::kErrorAccessDenied);
    ASSERT_EQ(key.Open(Hive::LocalMachine, kZefiKey, platform::kKeyRead), 0u);
    std::string value;
    EXPECT_EQ(key.QueryString("InstallDir", &value), 0u);
    EXPECT_EQ(value, "C:\\ZEFI");
    EXPECT_EQ(key.SetString("InstallDir", "C:\\OTHER"), platform::kErrorAccessDenied);

    // The user's own hive stays writable.
    RegKey user;
    ASSERT_EQ(user.Create(Hive::CurrentUser, "Software\\Zefi", platform::kKeyAllAccess), 0u);
    EXPECT_EQ(user.SetString("Last", "x"), 0u);
    EXPECT_EQ(key.QueryString("InstallDir", &value), 0u);
    EXPECT_EQ(value, "C:\\ZEFI");
}

TEST_F(RegistryFile, ReadOnlyFileRefusesWriteAccess) {
    {
        RegKey key;
        ASSERT_EQ(key.Create(Hive::LocalMachine, kZefiKey, platform::kKeyAllAccess), 0u);
        ASSERT_EQ(key.SetString("InstallDir", "C:\\ZEFI"), 0u);
    }
    ASSERT_EQ(::chmod(m_prefix->Host("system.reg").c_str(), 0444), 0);
    RegKey key;
    EXPECT_EQ(key.Open(Hive::LocalMachine, kZefiKey, platform::kKeyAllAccess),
              platform::kErrorAccessDenied);
    ASSERT_EQ(key.Open(Hive::LocalMachine, kZefiKey, platform::kKeyRead), 0u);
    std::string value;
    EXPECT_EQ(key.QueryString("InstallDir", &value), 0u);
    EXPECT_EQ(value, "C:\\ZEFI");
    RegKey user;
    ASSERT_EQ(user.Open(Hive::CurrentUser, "", platform::kKeyAllAccess), 0u);
    EXPECT_EQ(user.SetString("Last", "x"), platform::kErrorAccessDenied);
    ::chmod(m_prefix->Host("system.reg").c_str(), 0644);
}

TEST_F(RegistryFile, SeesChangesOfOtherWritersThroughAnOpenHandle) {
    RegKey key;
    ASSERT_EQ(key.Create(Hive::LocalMachine, kZefiKey, platform::kKeyAllAccess), 0u);
    ASSERT_EQ(key.SetString("InstallDir", "C:\\ZEFI"), 0u);
    // Another process rewrites the file while the key is open.
    m_prefix->WriteHostFile("system.reg",
                            "Windows Registry Editor Version 5.00\n\n"
                            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zefi Publishing\\ZEFI]\n"
                            "\"InstallDir\"=\"E:\\\\ELSEWHERE\"\n");
    std::string value;
    EXPECT_EQ(key.QueryString("InstallDir", &value), 0u);
    EXPECT_EQ(value, "E:\\ELSEWHERE");
}

TEST_F(RegistryFile, RefusesLineBreaksThatWouldBreakTheFile) {
    RegKey key;
    ASSERT_EQ(key.Create(Hive::LocalMachine, kZefiKey, platform::kKeyAllAccess), 0u);
    ASSERT_EQ(key.SetString("InstallDir", "C:\\ZEFI"), 0u);
    EXPECT_EQ(key.SetString("AutoParam", "-q 1\n[HKEY_LOCAL_MACHINE\\X]"),
              platform::kErrorInvalidParameter);
    EXPECT_EQ(key.SetString("Bad\rName", "x"), platform::kErrorInvalidParameter);
    std::string value;
    EXPECT_EQ(key.QueryString("AutoParam", &value), platform::kErrorFileNotFound);
    EXPECT_EQ(key.QueryString("InstallDir", &value), 0u);
    EXPECT_EQ(value, "C:\\ZEFI");
}

TEST_F(RegistryFile, ConcurrentWritersLoseNoUpdate) {
    {
        RegKey key;
        ASSERT_EQ(key.Create(Hive::LocalMachine, kZefiKey, platform::kKeyAllAccess), 0u);
    }
    constexpr int kPerWriter = 15;
    auto writeValues = [](const std::string& prefix) {
        RegKey key;
        if (key.Open(Hive::LocalMachine, kZefiKey, platform::kKeyAllAccess) != 0) return false;
        for (int i = 0; i < kPerWriter; ++i) {
            if (key.SetDword(prefix + std::to_string(i), static_cast<uint32_t>(i)) != 0) {
                return false;
            }
        }
        return true;
    };
    // Two other processes and two threads of this one write at the same time.
    std::vector<pid_t> children;
    for (const char* name : {"procA", "procB"}) {
        pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) ::_exit(writeValues(name) ? 0 : 1);
        children.push_back(pid);
    }
    bool threadOk[2] = {false, false};
    std::thread t1([&] { threadOk[0] = writeValues("threadA"); });
    std::thread t2([&] { threadOk[1] = writeValues("threadB"); });
    t1.join();
    t2.join();
    EXPECT_TRUE(threadOk[0]);
    EXPECT_TRUE(threadOk[1]);
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    RegKey key;
    ASSERT_EQ(key.Open(Hive::LocalMachine, kZefiKey, platform::kKeyRead), 0u);
    for (const char* name : {"procA", "procB", "threadA", "threadB"}) {
        for (int i = 0; i < kPerWriter; ++i) {
            uint32_t v = 999;
            EXPECT_EQ(key.QueryDword(name + std::to_string(i), &v), 0u) << name << i;
            EXPECT_EQ(v, static_cast<uint32_t>(i));
        }
    }
}

}  // namespace
