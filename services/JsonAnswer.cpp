#include "services/JsonAnswer.h"

nlohmann::json ParseJsonAnswer(const std::string& text)
{
    using Json = nlohmann::json;
    bool passed = false;
    size_t values = 0;
    // A start event's depth is the number of arrays and objects around it;
    // a value refused there is skipped whole, without being built.
    const Json::parser_callback_t withinBounds = [&](int depth, Json::parse_event_t event, Json&) {
        const bool opens = event == Json::parse_event_t::object_start || event == Json::parse_event_t::array_start;
        if ((opens && depth >= maxJsonDepth) || ++values > maxJsonValues)
            passed = true;
        return !passed;
    };
    Json parsed = Json::parse(text, withinBounds, false);
    return passed ? Json(Json::value_t::discarded) : parsed;
}
