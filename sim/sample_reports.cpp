// Reports for the simulated instrument: a few hand-written safety-test reports and generated ones for load.
#include <cstdio>
#include <string>
#include <vector>

#include "sim/instrument.h"

namespace {

std::string Lines(std::initializer_list<const char*> lines) {
    std::string text;
    for (const char* line : lines) {
        text += line;
        text += "\r\n";
    }
    return text + "\f";
}

}  // namespace

std::vector<SimReport> SampleReports() {
    return {
        {"KETTLE 2200W",
         Lines({"ZT914 ELECTRICAL SAFETY ANALYZER", "TEST REPORT", "", "Date       : 2026-12-10  09:14",
                "Operator   : J. MARSH", "Site       : WORKSHOP 2", "Appliance  : KETTLE 2200W",
                "Asset no.  : QF-00417", "Class      : I", "", "Visual inspection ........ PASS",
                "Earth bond  0.08 Ohm (limit 0.10) PASS", "Insulation >299 MOhm (limit 1.0) PASS",
                "Load       9.41 A  2168 W ....... PASS", "Earth leakage 0.21 mA (limit 3.5) PASS", "",
                "RESULT: PASS"})},
        {"DRILL 18V/CHG", Lines({"ZT914 ELECTRICAL SAFETY ANALYZER", "TEST REPORT", "",
                                 "Date       : 2026-12-10  09:31", "Operator   : J. MARSH",
                                 "Appliance  : DRILL 18V/CHG", "Asset no.  : QF-00522", "Class      : II", "",
                                 "Visual inspection ........ PASS", "Insulation  187 MOhm (limit 2.0) PASS",
                                 "Touch current 0.04 mA (limit 0.25) PASS", "", "RESULT: PASS"})},
        {"EXT LEAD 10M",
         Lines({"ZT914 ELECTRICAL SAFETY ANALYZER", "TEST REPORT", "", "Date       : 2026-12-10  10:02",
                "Operator   : J. MARSH", "Appliance  : EXT LEAD 10M", "Asset no.  : QF-00108",
                "Class      : I", "", "Visual inspection ........ PASS",
                "Earth bond  0.34 Ohm (limit 0.10) FAIL", "Insulation >299 MOhm (limit 1.0) PASS",
                "Polarity ................ PASS", "", "RESULT: FAIL", "Remarks: earth conductor damaged,",
                "         lead withdrawn from service"})},
    };
}

std::vector<SimReport> GeneratedReports(std::size_t count, std::size_t bytes) {
    std::vector<SimReport> reports;
    reports.reserve(count);
    for (std::size_t i = 1; i <= count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "ASSET %05zu", i);
        std::string text;
        text.reserve(bytes + 64);
        char line[80];
        for (unsigned row = 1; text.size() + 2 < bytes; ++row) {
            int length = std::snprintf(line, sizeof line, "Reading %4u : earth bond %u.%02u Ohm PASS\r\n",
                                       row, row % 3, (row * 7) % 100);
            text.append(line, static_cast<std::size_t>(length));
        }
        text.resize(bytes > 0 ? bytes - 1 : 0);
        text += '\f';
        reports.push_back({name, std::move(text)});
    }
    return reports;
}
