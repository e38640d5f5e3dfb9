#include "settings/ProfileFile.h"

namespace settings {

std::string sectionKeeps(const std::string& section) {
    if (section == "Setting") {
        return "the colour";
    }
    if (section == "Schedule") {
        return "the schedule";
    }
    if (section == "Untinted") {
        return "the list of untinted outputs";
    }
    return "the section [" + section + "]";
}

}  // namespace settings
