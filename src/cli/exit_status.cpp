// The one table from what a run showed to the exit status.
#include "cli/exit_status.h"

#include <iterator>

#include "ui/resource_ids.h"

namespace {

constexpr ExitStatusRow ROWS[] = {
    {EXIT_DONE, IDS_STATUS_DONE, "the download ended at \"Status: DONE\", the records erased or kept"},
    {EXIT_UNFORESEEN, 0, "the run ended in a way none of the others describes (a fault of the program)"},
    {EXIT_USAGE, 0, "the command line is wrong"},
    {3, IDS_ERR_FOLDER, "Report Folder not accessible"},
    {4, IDS_ERR_NOT_CONNECTED, "ZT914 not connected to PC USB: no port found, or the port cannot be opened"},
    {5, IDS_ERR_NOT_USB_MODE, "ZT914 not set to USB MODE: no information block in time"},
    {6, IDS_ERR_NO_REPORTS, "No reports to download"},
    {7, IDS_ERR_TIMEOUT, "Data transfer timeout: a byte did not come, the port failed, or no erase answer"},
    {8, IDS_ERR_FILE, "Cannot copy report to file"},
    {130, IDS_STATUS_CANCELLED, "cancelled with Ctrl-C (\"Status: CANCELLED\" without an error)"},
};

}  // namespace

const ExitStatusRow* ExitStatusRows(std::size_t* count) {
    *count = std::size(ROWS);
    return ROWS;
}

int ExitStatusFor(int errorTextId, int lastStatusTextId) {
    int shown = errorTextId != 0 ? errorTextId : lastStatusTextId;
    for (const ExitStatusRow& row : ROWS) {
        if (shown != 0 && row.shownTextId == shown) {
            return row.status;
        }
    }
    return EXIT_UNFORESEEN;
}
