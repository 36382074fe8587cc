#include "net/AuthorityFile.h"
#include "net/ProxyInfo.h"

#include <wx/msw/registry.h>

#include <gtest/gtest.h>

namespace {

const char internetSettings[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

TEST(SystemProxy, AutomaticTakesTheUsersInternetOptions)
{
    wxRegKey key(wxRegKey::HKCU, internetSettings);
    ASSERT_TRUE(key.Create());
    ASSERT_TRUE(key.SetValue("ProxyServer", "http=plain.example:80;https=secure.example:8443"));
    ASSERT_TRUE(key.SetValue("ProxyOverride", "<local>;*.corp.example"));
    ASSERT_TRUE(key.SetValue("ProxyEnable", 1));
    const ProxyInfo automatic = ProxyInfo::For(0, "", "");
    EXPECT_EQ(automatic.access, ProxyInfo::Access::Proxy);
    EXPECT_EQ(automatic.proxyList, "secure.example:8443");
    EXPECT_FALSE(automatic.UsesProxyFor("files.corp.example"));
    EXPECT_EQ(ProxyInfo::For(2, "own.example", "3128").proxyList, "own.example:3128");

    ASSERT_TRUE(key.SetValue("ProxyEnable", 0L));
    EXPECT_EQ(ProxyInfo::For(0, "", "").access, ProxyInfo::Access::Preconfigured);
    key.DeleteValue("ProxyServer");
    key.DeleteValue("ProxyOverride");
    key.DeleteValue("ProxyEnable");
}

TEST(SystemProxy, TheCertificateStoreGivesTheAuthoritiesKeptBesideAnExtraFile)
{
    const std::string authorities = SystemAuthorities(nullptr);
    EXPECT_EQ(authorities.rfind("-----BEGIN CERTIFICATE-----", 0), 0u) << authorities.substr(0, 80);
}

}  // namespace
