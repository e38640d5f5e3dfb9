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
    if (section == "Pause") {
        return "the pause choices";
    }
    return "the section [" + section + "]";
}

}  // namespace settings
