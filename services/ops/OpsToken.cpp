#include "services/ops/OpsToken.h"

#include "services/JsonAnswer.h"

#include <wx/base64.h>

#include <nlohmann/json.hpp>

namespace {

using nlohmann::json;

// Ten years: anything longer is not a lifetime but garbage.
constexpr long long longestLifetime = 10LL * 365 * 24 * 3600;

// The token goes into a header line: printable ASCII without blanks only.
bool IsHeaderSafe(const std::string& token)
{
    for (unsigned char c : token) {
        if (c <= ' ' || c >= 0x7f)
            return false;
    }
    return !token.empty();
}

// "1199" as OPS sends it; a plain JSON number is taken too.
std::optional<long long> SecondsOf(const json& value)
{
    if (value.is_number_integer())
        return value.get<long long>();
    if (!value.is_string())
        return std::nullopt;
    const std::string text = value.get<std::string>();
    if (text.empty() || text.size() > 12 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return std::stoll(text);
}

}  // namespace

std::optional<OpsToken> OpsToken::Parse(const std::string& answer, wxString& error)
{
    const wxString prefix = "EPO OPS token answer unreadable: ";
    const json root = ParseJsonAnswer(answer);
    if (root.is_discarded() || !root.is_object()) {
        error = prefix + "not a JSON object";
        return std::nullopt;
    }
    const auto token = root.find("access_token");
    if (token == root.end() || !token->is_string() || !IsHeaderSafe(token->get<std::string>())) {
        error = prefix + "no usable access_token";
        return std::nullopt;
    }
    const auto expires = root.find("expires_in");
    const std::optional<long long> seconds =
        expires == root.end() ? std::nullopt : SecondsOf(*expires);
    if (!seconds || *seconds <= 0 || *seconds > longestLifetime) {
        error = prefix + "no usable expires_in";
        return std::nullopt;
    }
    error.clear();
    return OpsToken{token->get<std::string>(), std::chrono::seconds(*seconds)};
}

wxString OpsToken::Authorization(const wxString& key, const wxString& secret)
{
    const std::string pair = (key + ":" + secret).utf8_string();
    return "Authorization: Basic " + wxBase64Encode(pair.data(), pair.size());
}
