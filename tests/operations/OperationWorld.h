#pragma once

#include "link/Module1.h"
#include "operations/Operations.h"
#include "sheet/document/Application.h"
#include "sheet/document/Worksheet.h"
#include "testsupport/FakeDesktop.h"
#include "testsupport/FaultInjection.h"

#include <memory>
#include <string>
#include <vector>

// The user's spreadsheet already running with one workbook, and the program linked to it through a host whose
// calls can be made to fail.
struct OperationWorld {
    using Message = testsupport::FakeDesktop::Message;

    automation::LocalHost local;
    sheet::Application* user = nullptr;
    std::shared_ptr<testsupport::FaultPlan> plan = std::make_shared<testsupport::FaultPlan>();
    testsupport::FaultyHost host{local, plan};
    testsupport::FakeDesktop desktop;
    automation::Module1 module{host, desktop};

    explicit OperationWorld(int failAt = 0)
    {
        sheet::registerEmbeddedSpreadsheet(local);
        user = sheet::documentOf<sheet::Application>(local.createObject("Excel.Application"));
        user->addWorkbook();
        desktop.windows = {"Tessavo", user->caption()};
        plan->failAt = failAt;
    }

    sheet::Worksheet& sheet() const { return *user->activeWorkbook()->activeSheet(); }
    sheet::Grid& grid() const { return sheet().grid(); }
    void set(int row, int column, const automation::Value& v) const { grid().setCell(row, column, sheet::toCell(v)); }
    std::string text(int row, int column) const { return sheet::toValue(grid().cell(row, column)).toText(); }

    /// The calls made, with their arguments, whose text begins with `prefix`, e.g. "Rows(".
    std::vector<std::string> calls(std::string_view prefix) const
    {
        std::vector<std::string> out;
        for (const std::string& t : plan->trace)
            if (t.starts_with(prefix))
                out.push_back(t);
        return out;
    }

    /// Every non-empty cell as "row,column=text", rows top to bottom.
    std::vector<std::string> cells() const
    {
        std::vector<std::string> out;
        grid().forEachCell([&](int r, int c, const sheet::CellView& v) {
            out.push_back(std::to_string(r) + "," + std::to_string(c) + "=" + sheet::toValue(v).toText());
        });
        return out;
    }

    /// The contents of the non-blank rows, in order, whatever their row numbers.
    std::vector<std::string> rowContents() const
    {
        std::vector<std::string> out;
        int lastRow = 0;
        grid().forEachCell([&](int r, int c, const sheet::CellView& v) {
            if (r != lastRow)
                out.emplace_back();
            lastRow = r;
            out.back() += std::to_string(c) + "=" + sheet::toValue(v).toText() + ";";
        });
        return out;
    }
};
