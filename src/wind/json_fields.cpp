#include "wind/json_fields.h"

bool onlyFields(const nlohmann::json& object, const std::string& where, std::initializer_list<const char*> allowed,
                JsonFault& fault)
{
    for (const auto& item : object.items()) {
        bool known = false;
        for (const char* name : allowed) known = known || item.key() == name;
        if (!known) return fault.set(where.empty() ? item.key() : where + "." + item.key(), "unknown field");
    }
    return true;
}
