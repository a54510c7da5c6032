// Process start. The windows arrive in a later version; until then the program starts the embedded spreadsheet,
// shows what it can do on a small sheet, and ends.

#include "Application.h"
#include "LocalHost.h"
#include "Module1.h"
#include "Operations.h"

#include <cstdio>
#include <string>

namespace {

class ConsolePlatform final : public automation::Platform {
public:
    bool activateWindow(std::string_view) override { return true; }

protected:
    void showMessage(std::string_view text, std::string_view title, int) override
    {
        std::printf("[%.*s] %.*s\n", static_cast<int>(title.size()), title.data(), static_cast<int>(text.size()),
                    text.data());
    }
};

} // namespace

int main(int argc, char** argv)
{
    automation::LocalHost host;
    sheet::registerEmbeddedSpreadsheet(host);
    ConsolePlatform platform;
    automation::Module1 module(host, platform);

    // tessavo START END INTERVAL COUNT: insert blank rows into a sheet numbered 1 to 12 in column 1.
    operations::IntervalFields fields{"1", "10", "3", "2"};
    if (argc == 5)
        fields = {argv[1], argv[2], argv[3], argv[4]};

    module.OpenExcel();
    for (int row = 1; row <= 12; ++row)
        module.xlSheet.put("Cells", row, 1, row);
    operations::insertBlankRows(module, platform, fields);

    std::printf("Column A:");
    for (int row = 1; row <= 20; ++row)
        std::printf(" %s", module.xlSheet.get("Cells", row, 1).toText().c_str());
    std::printf("\n");
    return 0;
}
