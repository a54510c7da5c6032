#pragma once

#include "ApplicationObserver.h"
#include "ModelObject.h"
#include "Ref.h"
#include "Worksheet.h"

#include <string>
#include <vector>

namespace sheet {

class Application;

/// A workbook: an ordered list of worksheets, one of them active.
/// Members: ActiveSheet, Worksheets, Sheets, Name, Activate.
class Workbook final : public ModelObject {
public:
    Workbook(std::shared_ptr<ApplicationState> state, Application* application, std::string name);
    ~Workbook() override;

    automation::Value invoke(std::string_view member, automation::CallKind kind,
                             std::span<const automation::Value> args,
                             std::span<const automation::NamedArg> named) override;

    const std::string& name() const { return m_name; }
    Application* application() const { return m_application; }
    const std::vector<Ref<Worksheet>>& sheets() const { return m_sheets; }
    Worksheet* activeSheet() const { return m_active; }
    /// Makes `sheet`, one of this workbook's, the active one; notifies Structure.
    void activateSheet(Worksheet& sheet);

    /// Adds a sheet named "SheetN" at `index` (0-based, clamped) and makes it active; notifies Structure.
    Worksheet& addSheet(std::size_t index);
    /// Tells the application's observer, if any, that `what` changed. One virtual call at most.
    void notify(Change what) const;
    /// The position of `sheet` in the workbook, or sheets().size() when it is not there.
    std::size_t indexOf(const Worksheet& sheet) const;

private:
    Application* m_application;
    std::string m_name;
    std::vector<Ref<Worksheet>> m_sheets;
    Worksheet* m_active = nullptr;
    int m_nextSheetNumber = 1;
};

/// The application's workbooks. Members: Add, Count, Item (default member, by number or name).
class Workbooks final : public automation::Dispatch {
public:
    explicit Workbooks(Ref<Application> application) : m_application(std::move(application)) {}
    automation::Value invoke(std::string_view member, automation::CallKind kind,
                             std::span<const automation::Value> args,
                             std::span<const automation::NamedArg> named) override;

private:
    Ref<Application> m_application;
};

/// A workbook's worksheets. Members: Add (Before, After, Count), Count, Item (default member, by number or name).
class Worksheets final : public automation::Dispatch {
public:
    explicit Worksheets(Ref<Workbook> workbook) : m_workbook(std::move(workbook)) {}
    automation::Value invoke(std::string_view member, automation::CallKind kind,
                             std::span<const automation::Value> args,
                             std::span<const automation::NamedArg> named) override;

private:
    Ref<Workbook> m_workbook;
};

} // namespace sheet
