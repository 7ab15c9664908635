#include "unit/CLumatrelDlg.h"

#include "platform/CodePage.h"
#include "platform/Format.h"
#include "platform/LocalTime.h"
#include "platform/Prompter.h"

#include <array>

namespace {

constexpr std::array<const char*, 27> kQueries = {
    "VR",    "MO",    "VT",    "ER",   "TE",    "IF",    "FA",    "FB",    "FC",
    "IF A",  "IF B",  "IF C",  "IF D", "ILA A", "ILB A", "ILA B", "ILB B", "ILA C",
    "ILB C", "ILA D", "ILB D", "IY S", "IP",    "ST A",  "ST B",  "ST C",  "ST D"};
constexpr std::array<const char*, 4> kM35Queries = {"ILC A", "ILC B", "ILC C", "ILC D"};

// A frame line of the report: bytes as they stand, then a line feed.
void WriteFrameLine(std::FILE* file, const std::string& bytes) {
    if (file != nullptr) {
        const std::string line = bytes + "\n";
        std::fwrite(line.data(), 1, line.size(), file);
    }
}

} // namespace

std::vector<std::string> CLumatrelDlg::BuildQueryList() const {
    std::vector<std::string> queries(kQueries.begin(), kQueries.end());
    if (IsM35) {
        queries.insert(queries.end(), kM35Queries.begin(), kM35Queries.end());
    }
    return queries;
}

void CLumatrelDlg::ReportSystemInfo(std::FILE* file) {
    InfoFile = file;
    const std::vector<std::string> queries = BuildQueryList();
    if (Link == nullptr) {
        m_services.prompter.ShowMessage("no connection opened");
        return;
    }
    const std::int32_t writeThrough = LogWriteThrough;
    LogWriteThrough = 1;

    const std::string serial = ToCp1252(SerNr);
    const std::string stamp = ToCp1252(FormatTimeStamp(m_services.clock()));
    WriteFrameLine(
        InfoFile,
        IsM35 ? Format("\n************* RKM5 %s - M35 *******************", serial.c_str())
              : Format("\n**************** RKM5 %s ***********************", serial.c_str()));
    WriteFrameLine(InfoFile, Format("*** system info start %s ***", stamp.c_str()));
    WriteFrameLine(InfoFile, "***************************************************");

    for (const std::string& query : queries) {
        AppendLog(Format("Send: %s", query.c_str()), 1);
        std::string reply;
        ExchangeCommand(query, reply, 1);
    }

    WriteFrameLine(InfoFile, "******************************************");
    WriteFrameLine(InfoFile,
                   IsM35 ? Format("*** system info end %s - M35 *********", serial.c_str())
                         : Format("*** system info end %s ****************", serial.c_str()));
    WriteFrameLine(InfoFile, "******************************************\n");
    LogWriteThrough = writeThrough;
}
