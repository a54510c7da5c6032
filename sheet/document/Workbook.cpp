#include "sheet/document/Workbook.h"

#include "objectmodel/SheetName.h"
#include "sheet/document/Application.h"

#include <algorithm>

namespace sheet {

Workbook::~Workbook()
{
    for (auto& sheet : m_sheets)
        sheet->detach();
}

void Workbook::close()
{
    for (auto& sheet : m_sheets)
        sheet->detach();
    m_application = nullptr;
}

std::string Workbook::title() const
{
    return m_name + " - " + std::string(Application::kName) + (m_modified ? " *" : "");
}

void Workbook::setFile(const std::string& path, FileFormat format)
{
    // Both separators: a path from Windows may use either.
    const auto slash = path.find_last_of("/\\");
    m_name = slash == std::string::npos ? path : path.substr(slash + 1);
    m_path = path;
    m_format = format;
}

void Workbook::rename(std::string name)
{
    m_name = std::move(name);
    touch();
    notify(Change::Structure);
}

void Workbook::setOpened(const std::string& path, FileFormat format, Losses losses, TextReading reading)
{
    setFile(path, format);
    m_losses = std::move(losses);
    m_textReading = std::move(reading);
    m_modified = false;
}

void Workbook::setSaved(const std::string& path, FileFormat format)
{
    setFile(path, format);
    m_losses = {};
    m_textReading = {};
    m_modified = false;
    notify(Change::Structure);
}

Worksheet& Workbook::adoptSheet(std::string name, Grid grid)
{
    Ref<Worksheet> sheet(new Worksheet(this, std::move(name)));
    sheet->grid() = std::move(grid);
    m_sheets.push_back(sheet);
    if (!m_active)
        m_active = sheet.get();
    // Sheets added later must not take the name of one read from the file.
    m_nextSheetNumber = static_cast<int>(m_sheets.size()) + 1;
    return *sheet;
}

Worksheet& Workbook::addSheet(std::size_t index)
{
    index = std::min(index, m_sheets.size());
    std::string name;
    do // a file's sheets may hold any of these names already
        name = "Sheet" + std::to_string(m_nextSheetNumber++);
    while (std::any_of(m_sheets.begin(), m_sheets.end(),
                       [&](const Ref<Worksheet>& s) { return objectmodel::sameSheetName(s->name(), name); }));
    Ref<Worksheet> sheet(new Worksheet(this, std::move(name)));
    m_sheets.insert(m_sheets.begin() + static_cast<std::ptrdiff_t>(index), sheet);
    m_active = sheet.get();
    touch();
    notify(Change::Structure);
    return *sheet;
}

void Workbook::activateSheet(Worksheet& sheet)
{
    m_active = &sheet;
    notify(Change::Structure);
}

void Workbook::notify(Change what)
{
    if (what == Change::Cells)
        touch();
    if (m_application)
        m_application->notify(what);
}

std::size_t Workbook::indexOf(const Worksheet& sheet) const
{
    auto it =
        std::find_if(m_sheets.begin(), m_sheets.end(), [&](const Ref<Worksheet>& s) { return s.get() == &sheet; });
    return static_cast<std::size_t>(it - m_sheets.begin());
}

bool Workbook::connected() const
{
    return m_application && m_application->isRunning();
}

void Workbook::activate()
{
    if (m_application)
        m_application->activateWorkbook(*this);
}

bool Workbook::holds(const objectmodel::SheetDocument& sheet) const
{
    return std::any_of(m_sheets.begin(), m_sheets.end(), [&](const Ref<Worksheet>& s) { return s.get() == &sheet; });
}

} // namespace sheet
