#pragma once

namespace sheet {

/// What changed in an application, as far as a window showing it cares.
enum class Change {
    Cells,      // values of a sheet, including rows or columns inserted and deleted
    Selection,  // a sheet's selection
    Structure,  // workbooks or sheets added, activated or renamed; the caption may have changed
    Visibility, // the application was shown or hidden
    Quit,       // the application is quitting; its workbooks are still there, but nothing is called afterwards
};

/// Told about every change a window of the application would show, e.g. `app.setObserver(&window)`.
///
/// Called synchronously from inside the change, often in bulk (an edit may insert 100,000 rows one at a time), so an
/// observer should only note what changed and redraw later. It must not throw, and must not change the application
/// from within the call, except to detach itself.
class ApplicationObserver {
public:
    virtual ~ApplicationObserver() = default;
    virtual void applicationChanged(Change what) = 0;
};

} // namespace sheet
