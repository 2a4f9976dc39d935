#include "platform/SingleInstance.h"
#include "support/TempDir.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

TEST(SingleInstance, OnlyOneHolderOfTheLockUntilItGoes) {
    TempDir dir;
    auto first = std::make_unique<InstanceLock>(dir.File("VexilProMutex.lock"));
    EXPECT_TRUE(first->TryAcquire());
    InstanceLock second(dir.File("VexilProMutex.lock"));
    EXPECT_FALSE(second.TryAcquire());
    first.reset();
    EXPECT_TRUE(second.TryAcquire());
}

TEST(SingleInstance, PathTravelsToTheFirstInstance) {
    TempDir dir;
    InstanceEndpoint endpoint(dir.File("ep.sock"));
    ASSERT_TRUE(endpoint.Listen());
    std::string got = "unchanged";
    const std::string japanese = "/home/u/スクリプト/テスト 1.pl";
    EXPECT_EQ(SendToFirstInstance(dir.File("ep.sock"), japanese), HandOver::Sent);
    ASSERT_TRUE(endpoint.Receive(got));
    EXPECT_EQ(got, japanese);

    EXPECT_EQ(SendToFirstInstance(dir.File("ep.sock"), ""), HandOver::Sent);
    ASSERT_TRUE(endpoint.Receive(got));
    EXPECT_EQ(got, ""); // no argument: the first instance only comes forward

    std::string exactly255(255, 'a'), tooLong(256, 'b');
    EXPECT_EQ(SendToFirstInstance(dir.File("ep.sock"), exactly255), HandOver::Sent);
    ASSERT_TRUE(endpoint.Receive(got));
    EXPECT_EQ(got, exactly255);
    EXPECT_EQ(SendToFirstInstance(dir.File("ep.sock"), tooLong), HandOver::Sent);
    ASSERT_TRUE(endpoint.Receive(got));
    EXPECT_EQ(got, "");
    EXPECT_FALSE(endpoint.Receive(got)); // nothing pending
}

TEST(SingleInstance, NoEndpointWhenNobodyListens) {
    TempDir dir;
    EXPECT_EQ(SendToFirstInstance(dir.File("none.sock"), "/x.pl"), HandOver::NoEndpoint);
    // A socket file left by a crashed instance refuses the connection.
    int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::string stale = dir.File("stale.sock");
    std::copy(stale.begin(), stale.end(), addr.sun_path);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ::close(fd);
    EXPECT_EQ(SendToFirstInstance(stale, "/x.pl"), HandOver::NoEndpoint);
    // The next first instance takes the stale name over.
    InstanceEndpoint endpoint(stale);
    EXPECT_TRUE(endpoint.Listen());
    EXPECT_EQ(SendToFirstInstance(stale, "/x.pl"), HandOver::Sent);
}

TEST(SingleInstance, PathsArePerDisplayInTheRuntimeFolder) {
    TempDir dir;
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    std::string keep = saved ? saved : "";
    ::setenv("XDG_RUNTIME_DIR", dir.Path().c_str(), 1);
    InstancePaths a = InstancePathsFor(":0"), b = InstancePathsFor(":1.0");
    EXPECT_EQ(a.lock.rfind(dir.Path() + "/VexilProMutex", 0), 0u);
    EXPECT_EQ(a.endpoint.rfind(dir.Path() + "/TFVexilProMain", 0), 0u);
    EXPECT_NE(a.lock, b.lock);
    EXPECT_NE(a.endpoint, b.endpoint);
    EXPECT_EQ(a.endpoint.find('/', dir.Path().size() + 1), std::string::npos); // no stray folders
    if (saved)
        ::setenv("XDG_RUNTIME_DIR", keep.c_str(), 1);
    else
        ::unsetenv("XDG_RUNTIME_DIR");
}

TEST(SingleInstance, CommandLineNormalisation) {
    EXPECT_EQ(NormaliseCommandLine("test.pl", "/work"), "/work/test.pl");
    EXPECT_EQ(NormaliseCommandLine("test.pl", "/"), "/test.pl");
    EXPECT_EQ(NormaliseCommandLine("/home/u/a b.pl", "/work"), "/home/u/a b.pl");
    EXPECT_EQ(NormaliseCommandLine("\"/home/u/a b.pl\"", "/work"), "/home/u/a b.pl");
    EXPECT_EQ(NormaliseCommandLine(" /x.pl \t", "/work"), "/x.pl");
    EXPECT_EQ(NormaliseCommandLine("", "/work"), "");
    // A relative path with a folder part would name another file in the first instance's folder.
    EXPECT_EQ(NormaliseCommandLine("sub/a.pl", "/work/"), "/work/sub/a.pl");
}

TEST(SingleInstance, OnlyTheSameUserHandsOverAndOnlyIntoAFolderOfItsOwn) {
    // Another user that reaches the socket is refused by the endpoint itself.
    if (::geteuid() == 0) {
        TempDir dir;
        ::chmod(dir.Path().c_str(), 0777);
        InstanceEndpoint endpoint(dir.File("ep.sock"));
        ASSERT_TRUE(endpoint.Listen());
        ::chmod(dir.File("ep.sock").c_str(), 0777);
        EXPECT_TRUE(RunUnprivileged([&] {
            return SendToFirstInstance(dir.File("ep.sock"), "/evil.pl") == HandOver::Sent;
        }));
        std::string got;
        EXPECT_FALSE(endpoint.Receive(got));
        EXPECT_EQ(SendToFirstInstance(dir.File("ep.sock"), "/mine.pl"), HandOver::Sent);
        EXPECT_TRUE(endpoint.Receive(got));
        EXPECT_EQ(got, "/mine.pl");
    }

    // Without a runtime folder, the private folder under /tmp counts only while it is ours alone.
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    std::string keep = saved ? saved : "";
    ::unsetenv("XDG_RUNTIME_DIR");
    InstancePaths paths = InstancePathsFor(":9");
    ASSERT_FALSE(paths.lock.empty());
    std::string folder = paths.lock.substr(0, paths.lock.rfind('/'));
    ASSERT_EQ(::chmod(folder.c_str(), 0777), 0);
    EXPECT_TRUE(InstancePathsFor(":9").lock.empty()) << "a folder others may write to";
    ASSERT_EQ(::chmod(folder.c_str(), 0700), 0);
    EXPECT_FALSE(InstancePathsFor(":9").lock.empty());
    if (saved)
        ::setenv("XDG_RUNTIME_DIR", keep.c_str(), 1);
}
