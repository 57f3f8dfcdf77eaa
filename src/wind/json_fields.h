// Shared by the JSON file readers (wind schedules, stands): the first fault
// as "field: problem", and the check that an object holds known fields only.
#pragma once
#include <initializer_list>
#include <string>

#include <nlohmann/json.hpp>

struct JsonFault {
    std::string text; // field and problem; empty while all is well
    // Records the fault; false so a reader can return it.
    bool set(const std::string& field, const std::string& problem)
    {
        text = field + ": " + problem;
        return false;
    }
};

// False with "<where>.<name>: unknown field" for the first field not allowed.
bool onlyFields(const nlohmann::json& object, const std::string& where, std::initializer_list<const char*> allowed,
                JsonFault& fault);
