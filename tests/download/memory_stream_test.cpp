#include "download/GrabberSettings.h"
#include "download/MemoryStream.h"

#include <gtest/gtest.h>

#include <string>

using namespace quill::download;

TEST(MemoryStream, AppendsThenReadsBackFromStart) {
    TMemoryStream s;
    std::string expected;
    for (int i = 0; i < 300; ++i) {
        std::string piece(1 + i % 1025, static_cast<char>('a' + i % 26));
        EXPECT_EQ(s.Write(piece.data(), piece.size()), piece.size());
        expected += piece;
    }
    EXPECT_EQ(s.Size(), static_cast<std::int64_t>(expected.size()));
    EXPECT_EQ(s.Position(), s.Size());

    s.SetPosition(0);
    std::string back(expected.size() + 10, '\0');
    EXPECT_EQ(s.Read(back.data(), back.size()), expected.size()) << "short read at the end";
    back.resize(expected.size());
    EXPECT_EQ(back, expected);
    char more;
    EXPECT_EQ(s.Read(&more, 1), 0u);
}

TEST(MemoryStream, WriteInsideOverwritesAndBeyondEndZeroFills) {
    TMemoryStream s;
    s.Write("abcdef", 6);
    s.SetPosition(2);
    s.Write("XY", 2);
    s.SetPosition(8);
    s.Write("Z", 1);
    ASSERT_EQ(s.Size(), 9);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(s.Memory()), 9),
              std::string("abXYef\0\0Z", 9));
}

TEST(MemoryStream, ReserveHintAvoidsRegrowthAndIgnoresAbsurdClaims) {
    TMemoryStream s;
    s.ReserveHint(100000);
    EXPECT_GE(s.Capacity(), 100000u);
    const std::uint8_t* before = s.Memory();
    std::string piece(1025, 'x');
    for (int i = 0; i < 97; ++i) s.Write(piece.data(), piece.size());
    EXPECT_EQ(s.Memory(), before) << "no reallocation within the announced size";

    TMemoryStream claimed;
    claimed.ReserveHint(2147483647);  // a server may announce almost 2 GiB
    EXPECT_LT(claimed.Capacity(), 1024u * 1024u);
    claimed.ReserveHint(-5);
    EXPECT_EQ(claimed.Size(), 0);
}

TEST(SettingsHolders, InitialValuesAndDeclaredDefaults) {
    TCustomUrlGrabberDefaultProperties base;
    EXPECT_EQ(base.Agent, "UrlGrabber");
    EXPECT_EQ(base.Port, 0u);
    EXPECT_EQ(base.FileName, "output.txt");
    EXPECT_EQ(base.OutputMode, omFile);
    EXPECT_EQ(TCustomUrlGrabberDefaultProperties::DeclaredDefaultOutputMode, omStream);

    THttpUrlGrabberDefaultProperties http;
    EXPECT_EQ(http.Port, 80u);
    EXPECT_EQ(http.ProxyMode, pmSysConfig);
    EXPECT_EQ(http.ProxyAddresses, "proxyserver");
    EXPECT_EQ(http.ProxyIgnoreList, "<local>");
    EXPECT_EQ(http.Referer, "");
}

TEST(SettingsHolders, AssignCopiesTheCommonSixOnly) {
    THttpUrlGrabberDefaultProperties source;
    source.Agent = "A";
    source.Port = 8080;
    source.UserName = "u";
    source.Password = "p";
    source.FileName = "f.zip";
    source.OutputMode = omStream;
    source.ProxyMode = pmManual;
    source.ProxyAddresses = "proxy:3128";
    source.ProxyUserName = "pu";
    source.Referer = "r";

    THttpUrlGrabberDefaultProperties target;
    target.Assign(source);
    EXPECT_EQ(target.Agent, "A");
    EXPECT_EQ(target.Port, 8080u);
    EXPECT_EQ(target.UserName, "u");
    EXPECT_EQ(target.Password, "p");
    EXPECT_EQ(target.FileName, "f.zip");
    EXPECT_EQ(target.OutputMode, omStream);
    EXPECT_EQ(target.ProxyMode, pmSysConfig);
    EXPECT_EQ(target.ProxyAddresses, "proxyserver");
    EXPECT_EQ(target.ProxyUserName, "");
    EXPECT_EQ(target.Referer, "");

    TUrlGrabberDefPropEdTrick editor(&target);
    EXPECT_EQ(editor.DefaultProperties(), &target);
}
