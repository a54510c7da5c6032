#include "link/uno/CalcDocument.h"

#include "link/AutomationError.h"
#include "objectmodel/Errors.h"
#include "objectmodel/ObjectModel.h"

#include <com/sun/star/awt/XTopWindow.hpp>
#include <com/sun/star/awt/XWindow.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XTitle.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/sheet/CellFlags.hpp>
#include <com/sun/star/sheet/FormulaResult.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/sheet/XCellRangesQuery.hpp>
#include <com/sun/star/sheet/XSheetCellCursor.hpp>
#include <com/sun/star/sheet/XSheetCellRangeContainer.hpp>
#include <com/sun/star/sheet/XSheetCellRanges.hpp>
#include <com/sun/star/sheet/XSheetOperation.hpp>
#include <com/sun/star/sheet/XSpreadsheetView.hpp>
#include <com/sun/star/sheet/XSpreadsheets.hpp>
#include <com/sun/star/sheet/XUsedAreaCursor.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/table/XColumnRowRange.hpp>
#include <com/sun/star/table/XTableColumns.hpp>
#include <com/sun/star/table/XTableRows.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/util/XModifyBroadcaster.hpp>
#include <com/sun/star/util/XModifyListener.hpp>
#include <com/sun/star/view/XSelectionSupplier.hpp>
#include <cppuhelper/implbase1.hxx>

#include <algorithm>
#include <optional>

namespace automation::uno {

using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;
using objectmodel::Area;
using objectmodel::AreaList;
using objectmodel::Ref;

namespace {

constexpr std::string_view kApplicationName = "LibreOffice Calc";

// Set while this thread makes a change of its own: the office tells its listeners on the calling thread, and those
// notifications are not someone else's change.
thread_local int t_ownChanges = 0;

struct OwnChange {
    OwnChange() { ++t_ownChanges; }
    ~OwnChange() { --t_ownChanges; }
    OwnChange(const OwnChange&) = delete;
    OwnChange& operator=(const OwnChange&) = delete;
};

// Hears every change to a document, and its closing; runs on whatever thread the office calls back on.
class DocumentWatch final : public cppu::WeakImplHelper1<css::util::XModifyListener> {
public:
    explicit DocumentWatch(std::shared_ptr<CalcWorkbook::Watch> watch) : m_watch(std::move(watch)) {}
    void SAL_CALL modified(const css::lang::EventObject&) override
    {
        if (t_ownChanges == 0)
            ++m_watch->changes;
    }
    void SAL_CALL disposing(const css::lang::EventObject&) override
    {
        m_watch->closed = true;
        ++m_watch->changes;
    }

private:
    std::shared_ptr<CalcWorkbook::Watch> m_watch;
};

automation::AutomationError officeGone()
{
    return {errors::kDisconnected, "LibreOffice Calc 已关闭或已停止运行,无法再访问它的工作表。"};
}

Reference<css::frame::XFrame> frameOf(const Reference<css::sheet::XSpreadsheetDocument>& document)
{
    const Reference<css::frame::XModel> model(document, UNO_QUERY_THROW);
    const auto controller = model->getCurrentController();
    return controller.is() ? controller->getFrame() : Reference<css::frame::XFrame>();
}

Reference<css::sheet::XSpreadsheetView> viewOf(const Reference<css::sheet::XSpreadsheetDocument>& document)
{
    const Reference<css::frame::XModel> model(document, UNO_QUERY_THROW);
    return Reference<css::sheet::XSpreadsheetView>(model->getCurrentController(), UNO_QUERY);
}

// The office's own error codes for the values a spreadsheet shows as #NULL!, #DIV/0!, #VALUE!, #REF!, #NAME?,
// #NUM! and #N/A, as the error values an automation caller knows.
automation::ErrorValue errorValueOf(sal_uInt16 code)
{
    switch (code) {
    case 521:
        return {2000};
    case 532:
        return {2007};
    case 524:
        return {2023};
    case 525:
        return {2029};
    case 503:
    case 523:
        return {2036};
    case 32767:
        return {2042};
    default:
        return {2015};
    }
}

rtl::OUString formulaOf(automation::ErrorValue error)
{
    switch (error.code) {
    case 2000:
        return "=A1 B1:B1"; // an empty intersection
    case 2007:
        return "=1/0";
    case 2023:
        return "=#REF!";
    case 2029:
        return "=TESSAVO.NO.SUCH.NAME()";
    case 2036:
        return "=SQRT(-1)";
    case 2042:
        return "=NA()";
    default:
        return "=1+\"x\"";
    }
}

Any toAny(const automation::Value& value)
{
    using Kind = automation::Value::Kind;
    switch (value.kind()) {
    case Kind::Empty:
        return Any(rtl::OUString());
    case Kind::Date:
        return Any(value.date().serial);
    case Kind::Boolean:
        return Any(value.boolean() ? 1.0 : 0.0);
    case Kind::Double:
    case Kind::Int16:
    case Kind::Int32:
        return Any(value.toDouble());
    default:
        return Any(toUno(value.toText()));
    }
}

css::table::CellRangeAddress addressOf(sal_Int16 sheet, const Area& a)
{
    return {sheet, a.left - 1, a.top - 1, a.right - 1, a.bottom - 1};
}

} // namespace

// --- the application ---

CalcApplication::CalcApplication(std::shared_ptr<Office> office, bool visible)
    : m_office(std::move(office)), m_visible(visible)
{}

CalcApplication::~CalcApplication()
{
    for (const auto& book : m_books)
        book->detach();
}

void CalcApplication::rethrow() const
{
    try {
        throw;
    } catch (const css::lang::DisposedException&) {
        throw officeGone();
    } catch (const css::uno::Exception& e) {
        if (m_office->gone())
            throw officeGone();
        const std::string reason = fromUno(e.Message);
        throw objectmodel::applicationError("LibreOffice Calc 未能完成这个操作" +
                                            (reason.empty() ? std::string("。") : "(" + reason + ")。"));
    }
}

bool CalcApplication::isRunning() const
{
    return !m_quit && !m_office->gone();
}

std::string CalcApplication::name() const
{
    return std::string(kApplicationName);
}

std::string CalcApplication::caption() const
{
    const CalcWorkbook* book = static_cast<const CalcWorkbook*>(activeWorkbook());
    return book ? book->windowTitle() : std::string(kApplicationName);
}

void CalcApplication::setVisible(bool visible)
{
    // The program only ever shows the office; it never hides the user's windows.
    if (visible)
        for (CalcWorkbook* book : workbooks())
            book->show();
    m_visible = m_visible || visible;
}

std::vector<CalcWorkbook*> CalcApplication::workbooks() const
{
    return guarded([&] {
        std::vector<Ref<CalcWorkbook>> open;
        const auto components = m_office->desktop()->getComponents()->createEnumeration();
        while (components->hasMoreElements()) {
            const Reference<css::sheet::XSpreadsheetDocument> document(components->nextElement(), UNO_QUERY);
            if (!document.is())
                continue;
            auto known = std::find_if(m_books.begin(), m_books.end(),
                                      [&](const auto& b) { return !b->uno().is() || b->uno() == document; });
            if (known != m_books.end() && (*known)->connected())
                open.push_back(*known);
            else
                open.emplace_back(new CalcWorkbook(const_cast<CalcApplication&>(*this), document));
        }
        for (const auto& b : m_books)
            if (std::none_of(open.begin(), open.end(), [&](const auto& o) { return o.get() == b.get(); }))
                b->detach(); // closed since
        m_books = std::move(open);
        if (std::none_of(m_books.begin(), m_books.end(), [&](const auto& b) { return b.get() == m_lastActive; }))
            m_lastActive = nullptr;
        std::vector<CalcWorkbook*> out;
        for (const auto& b : m_books)
            out.push_back(b.get());
        return out;
    });
}

std::size_t CalcApplication::workbookCount() const
{
    return workbooks().size();
}

objectmodel::WorkbookDocument& CalcApplication::workbook(std::size_t index) const
{
    const auto books = workbooks();
    if (index >= books.size())
        throw errors::subscriptOutOfRange();
    return *books[index];
}

objectmodel::WorkbookDocument* CalcApplication::activeWorkbook() const
{
    const auto books = workbooks();
    // Without windows the user activates nothing in the office: the workbook last made active here counts.
    if (m_office->headless() && m_lastActive)
        return m_lastActive;
    CalcWorkbook* const current = guarded([&]() -> CalcWorkbook* {
        const auto component = m_office->desktop()->getCurrentComponent();
        for (CalcWorkbook* book : books)
            if (component.is() && book->uno() == component)
                return book;
        return nullptr;
    });
    if (current)
        return current;
    if (m_lastActive)
        return m_lastActive;
    return books.empty() ? nullptr : books.front();
}

objectmodel::WorkbookDocument& CalcApplication::addWorkbook()
{
    CalcWorkbook* book = guarded([&] {
        // A new document stays hidden while the application is; an office without windows never shows one.
        Sequence<css::beans::PropertyValue> args(1);
        args.getArray()[0].Name = "Hidden";
        args.getArray()[0].Value <<= (m_office->headless() || !m_visible);
        const Reference<css::sheet::XSpreadsheetDocument> document(
            m_office->desktop()->loadComponentFromURL("private:factory/scalc", "_blank", 0, args), UNO_QUERY);
        if (!document.is())
            throw objectmodel::applicationError("LibreOffice Calc 未能新建工作簿。");
        m_books.emplace_back(new CalcWorkbook(*this, document));
        return m_books.back().get();
    });
    book->activate();
    return *book;
}

void CalcApplication::quit()
{
    // The office is the user's: it stays open with every document, as the program found it.
    m_quit = true;
}

// --- a workbook ---

CalcWorkbook::CalcWorkbook(CalcApplication& app, Reference<css::sheet::XSpreadsheetDocument> document)
    : m_app(&app), m_office(app.office().shared_from_this()), m_document(std::move(document))
{
    // Its closing is told at once; its changes only once they matter (foreignChanges).
    m_app->guarded([&] {
        m_listener = static_cast<cppu::OWeakObject*>(new DocumentWatch(m_watch));
        Reference<css::lang::XComponent>(m_document, UNO_QUERY_THROW)
            ->addEventListener(Reference<css::lang::XEventListener>(m_listener, UNO_QUERY_THROW));
    });
}

std::uint64_t CalcWorkbook::foreignChanges()
{
    if (!m_hearsChanges && !m_watch->closed) {
        m_app->guarded([&] {
            Reference<css::util::XModifyBroadcaster>(m_document, UNO_QUERY_THROW)
                ->addModifyListener(Reference<css::util::XModifyListener>(m_listener, UNO_QUERY_THROW));
        });
        m_hearsChanges = true;
    }
    return m_watch->changes.load();
}

void CalcWorkbook::detach()
{
    m_app = nullptr;
    for (const auto& sheet : m_sheets)
        sheet->detach();
}

CalcWorkbook::~CalcWorkbook()
{
    detach();
    try {
        const Office::Request request(*m_office); // a hung office must not hold the program here
        if (!m_watch->closed && !m_office->gone()) {
            if (m_hearsChanges)
                Reference<css::util::XModifyBroadcaster>(m_document, UNO_QUERY_THROW)
                    ->removeModifyListener(Reference<css::util::XModifyListener>(m_listener, UNO_QUERY));
            Reference<css::lang::XComponent>(m_document, UNO_QUERY_THROW)
                ->removeEventListener(Reference<css::lang::XEventListener>(m_listener, UNO_QUERY));
        }
    } catch (const css::uno::Exception&) {
        // the office or the document has gone: nothing left to unregister from
    }
}

bool CalcWorkbook::connected() const
{
    return m_app && m_app->isRunning() && !m_watch->closed;
}

std::string CalcWorkbook::name() const
{
    return m_app->guarded(
        [&] { return fromUno(Reference<css::frame::XTitle>(m_document, UNO_QUERY_THROW)->getTitle()); });
}

void CalcWorkbook::rename(std::string name)
{
    m_app->guarded([&] { Reference<css::frame::XTitle>(m_document, UNO_QUERY_THROW)->setTitle(toUno(name)); });
}

std::string CalcWorkbook::windowTitle() const
{
    return m_app->guarded([&] {
        const auto frame = frameOf(m_document);
        rtl::OUString title;
        if (frame.is())
            Reference<css::beans::XPropertySet>(frame, UNO_QUERY_THROW)->getPropertyValue("Title") >>= title;
        return title.isEmpty() ? name() : fromUno(title);
    });
}

void CalcWorkbook::show()
{
    if (m_app->office().headless())
        return; // a window made visible in an office without windows ends the office
    m_app->guarded([&] {
        if (const auto frame = frameOf(m_document); frame.is())
            frame->getContainerWindow()->setVisible(true);
    });
}

void CalcWorkbook::activate()
{
    m_app->setLastActive(this);
    if (m_app->office().headless() || !m_app->visible())
        return;
    m_app->guarded([&] {
        if (const auto frame = frameOf(m_document); frame.is()) {
            frame->activate();
            if (const Reference<css::awt::XTopWindow> top(frame->getContainerWindow(), UNO_QUERY); top.is())
                top->toFront();
        }
    });
}

std::size_t CalcWorkbook::sheetCount() const
{
    return m_app->guarded([&] {
        return static_cast<std::size_t>(
            Reference<css::container::XIndexAccess>(m_document->getSheets(), UNO_QUERY_THROW)->getCount());
    });
}

CalcSheet& CalcWorkbook::known(const Reference<css::sheet::XSpreadsheet>& sheet) const
{
    // The office hands out a new object for a sheet each time it is asked: the same sheet is the one at the same
    // place now, which every object of it follows as sheets are added or removed.
    const auto indexOf = [&](const Reference<css::sheet::XSpreadsheet>& s) {
        return m_app->guarded(
            [&] { return Reference<css::sheet::XCellRangeAddressable>(s, UNO_QUERY_THROW)->getRangeAddress().Sheet; });
    };
    const auto index = indexOf(sheet);
    for (const auto& s : m_sheets)
        if (s->uno() == sheet || indexOf(s->uno()) == index)
            return *s;
    m_sheets.emplace_back(new CalcSheet(const_cast<CalcWorkbook&>(*this), sheet));
    return *m_sheets.back();
}

objectmodel::SheetDocument& CalcWorkbook::sheet(std::size_t index) const
{
    const auto sheet = m_app->guarded([&] {
        const Reference<css::container::XIndexAccess> sheets(m_document->getSheets(), UNO_QUERY_THROW);
        return Reference<css::sheet::XSpreadsheet>(sheets->getByIndex(static_cast<sal_Int32>(index)), UNO_QUERY_THROW);
    });
    return known(sheet);
}

objectmodel::SheetDocument* CalcWorkbook::activeSheet() const
{
    const auto sheet = m_app->guarded([&] {
        const auto view = viewOf(m_document);
        return view.is() ? view->getActiveSheet() : Reference<css::sheet::XSpreadsheet>();
    });
    if (sheet.is())
        return &known(sheet);
    return sheetCount() == 0 ? nullptr : &this->sheet(0);
}

bool CalcWorkbook::holds(const objectmodel::SheetDocument& sheet) const
{
    const auto* calc = dynamic_cast<const CalcSheet*>(&sheet);
    return calc && calc->connected() && &calc->book() == this;
}

objectmodel::SheetDocument& CalcWorkbook::addSheet(std::size_t index)
{
    const auto sheet = m_app->guarded([&] {
        const Reference<css::sheet::XSpreadsheets> sheets = m_document->getSheets();
        const Reference<css::container::XIndexAccess> byIndex(sheets, UNO_QUERY_THROW);
        // Named as the office names a new sheet: the first sheet's word, numbered past the sheets there are.
        rtl::OUString word = "Sheet";
        if (byIndex->getCount() > 0) {
            const rtl::OUString first =
                Reference<css::container::XNamed>(byIndex->getByIndex(0), UNO_QUERY_THROW)->getName();
            sal_Int32 end = first.getLength();
            while (end > 0 && first[end - 1] >= '0' && first[end - 1] <= '9')
                --end;
            if (end > 0 && end < first.getLength())
                word = first.copy(0, end);
        }
        rtl::OUString name;
        for (sal_Int32 n = byIndex->getCount() + 1;; ++n) {
            name = word + rtl::OUString::number(n);
            if (!sheets->hasByName(name))
                break;
        }
        OwnChange own;
        sheets->insertNewByName(name, static_cast<sal_Int16>(index));
        return Reference<css::sheet::XSpreadsheet>(sheets->getByName(name), UNO_QUERY_THROW);
    });
    CalcSheet& added = known(sheet);
    added.activate();
    return added;
}

// --- a sheet ---

CalcSheet::CalcSheet(CalcWorkbook& book, Reference<css::sheet::XSpreadsheet> sheet)
    : m_book(&book), m_sheet(std::move(sheet))
{}

bool CalcSheet::connected() const
{
    return m_book && m_book->connected();
}

std::string CalcSheet::name() const
{
    return m_book->app().guarded(
        [&] { return fromUno(Reference<css::container::XNamed>(m_sheet, UNO_QUERY_THROW)->getName()); });
}

void CalcSheet::rename(std::string name)
{
    m_book->app().guarded([&] {
        OwnChange own;
        Reference<css::container::XNamed>(m_sheet, UNO_QUERY_THROW)->setName(toUno(name));
    });
}

std::size_t CalcSheet::index() const
{
    return m_book->app().guarded([&] {
        return static_cast<std::size_t>(
            Reference<css::sheet::XCellRangeAddressable>(m_sheet, UNO_QUERY_THROW)->getRangeAddress().Sheet);
    });
}

bool CalcSheet::isActive() const
{
    CalcWorkbook* const book = m_book;
    if (!book || book->app().activeWorkbook() != book || m_book != book)
        return false; // asking may have found the workbook closed
    return book->activeSheet() == this;
}

void CalcSheet::activate()
{
    m_book->app().guarded([&] {
        if (const auto view = viewOf(m_book->uno()); view.is())
            view->setActiveSheet(m_sheet);
    });
    m_book->activate();
}

CellBlock& CalcSheet::known()
{
    const std::uint64_t changes = m_book->foreignChanges();
    if (changes != m_seenChanges) {
        m_block.forget();
        m_seenChanges = changes;
    }
    if (m_blockHasFormulas && m_book->ownChanges() != m_seenOwnChanges)
        m_block.forgetValues(); // where the block moved along, its formulas' results may not have
    return m_block;
}

automation::Value CalcSheet::cell(std::int32_t row, std::int32_t column)
{
    CellBlock& block = known();
    if (!block.knowsExtent()) {
        m_book->app().guarded([&] {
            const auto cursor = m_sheet->createCursor();
            Reference<css::sheet::XUsedAreaCursor>(cursor, UNO_QUERY_THROW)->gotoEndOfUsedArea(false);
            const auto end = Reference<css::sheet::XCellRangeAddressable>(cursor, UNO_QUERY_THROW)->getRangeAddress();
            // A blank sheet's used area is its first cell.
            const bool blank = end.EndRow == 0 && end.EndColumn == 0 &&
                               m_sheet->getCellByPosition(0, 0)->getType() == css::table::CellContentType_EMPTY;
            block.setExtent(blank ? 0 : end.EndRow + 1, blank ? 0 : end.EndColumn + 1);
        });
    }
    if (block.pastExtent(row, column))
        return {};
    if (const automation::Value* value = block.find(row, column))
        return *value;
    readBlock(row, column);
    const automation::Value* value = m_block.find(row, column);
    return value ? *value : automation::Value();
}

void CalcSheet::readBlock(std::int32_t row, std::int32_t column)
{
    const BlockWindow window = m_block.windowFor(row, column);
    std::vector<automation::Value> values = m_book->app().guarded([&] {
        const auto range =
            m_sheet->getCellRangeByPosition(0, window.top - 1, window.columns - 1, window.top + window.rows - 2);
        const auto data = Reference<css::sheet::XCellRangeData>(range, UNO_QUERY_THROW)->getDataArray();
        const Reference<css::sheet::XCellRangesQuery> query(range, UNO_QUERY_THROW);
        // Dates come as numbers, error values as nothing: the office says which cells they are.
        const auto dates = query->queryContentCells(css::sheet::CellFlags::DATETIME)->getRangeAddresses();
        const auto failed = query->queryFormulaCells(css::sheet::FormulaResult::ERROR)->getRangeAddresses();
        using namespace css::sheet::CellFlags;
        m_blockHasFormulas = query->queryContentCells(FORMULA)->getCount() > 0;

        const auto width = static_cast<std::size_t>(window.columns);
        std::vector<automation::Value> out(static_cast<std::size_t>(window.rows) * width);
        for (sal_Int32 r = 0; r < data.getLength() && r < window.rows; ++r) {
            const Sequence<Any>& cells = data[r];
            for (sal_Int32 c = 0; c < cells.getLength() && c < window.columns; ++c) {
                automation::Value& v = out[static_cast<std::size_t>(r) * width + static_cast<std::size_t>(c)];
                double number = 0;
                rtl::OUString text;
                if (cells[c] >>= number)
                    v = number;
                else if ((cells[c] >>= text) && !text.isEmpty())
                    v = fromUno(text);
            }
        }
        auto each = [&](const Sequence<css::table::CellRangeAddress>& ranges, auto apply) {
            for (const auto& a : ranges)
                for (sal_Int32 r = a.StartRow; r <= a.EndRow; ++r)
                    for (sal_Int32 c = a.StartColumn; c <= a.EndColumn; ++c)
                        apply(
                            r, c,
                            out[static_cast<std::size_t>(r - (window.top - 1)) * width + static_cast<std::size_t>(c)]);
        };
        each(dates, [](sal_Int32, sal_Int32, automation::Value& v) {
            if (v.ifDouble())
                v = automation::Date{v.number()};
        });
        each(failed, [&](sal_Int32 r, sal_Int32 c, automation::Value& v) {
            m_book->app().office().renew(); // each cell is a request of its own
            const auto cell = m_sheet->getCellByPosition(c, r);
            if (const auto code = cell->getError(); code != 0)
                v = errorValueOf(static_cast<sal_uInt16>(code));
        });
        return out;
    });
    m_block.fill(window, std::move(values));
    m_seenOwnChanges = m_book->ownChanges();
}

void CalcSheet::fillArea(const Area& area, const automation::Value& value)
{
    const auto range = m_sheet->getCellRangeByPosition(area.left - 1, area.top - 1, area.right - 1, area.bottom - 1);
    if (value.isEmpty()) {
        using namespace css::sheet::CellFlags;
        Reference<css::sheet::XSheetOperation>(range, UNO_QUERY_THROW)
            ->clearContents(VALUE | DATETIME | STRING | FORMULA | ANNOTATION);
        return;
    }
    const std::optional<automation::ErrorValue> error = value.kind() == automation::Value::Kind::Error
                                                            ? std::optional(automation::ErrorValue{value.errorCode()})
                                                            : std::nullopt;
    if (area.top == area.bottom && area.left == area.right) {
        const auto cell = range->getCellByPosition(0, 0);
        if (error)
            cell->setFormula(formulaOf(*error));
        else if (const Any any = toAny(value); any.getValueTypeClass() == css::uno::TypeClass_DOUBLE)
            cell->setValue(any.get<double>());
        else
            Reference<css::text::XText>(cell, UNO_QUERY_THROW)->setString(any.get<rtl::OUString>());
        return;
    }
    // A block at a time, so that no request grows past a few megabytes however large the area.
    const std::int32_t width = area.right - area.left + 1;
    const std::int32_t rowsAtATime = std::max(1, 65'536 / width);
    for (std::int32_t top = area.top; top <= area.bottom; top += rowsAtATime) {
        const std::int32_t bottom = std::min(area.bottom, top + rowsAtATime - 1);
        const auto part = m_sheet->getCellRangeByPosition(area.left - 1, top - 1, area.right - 1, bottom - 1);
        if (error) {
            for (std::int32_t r = 0; r <= bottom - top; ++r)
                for (std::int32_t c = 0; c < width; ++c) {
                    m_book->app().office().renew();
                    part->getCellByPosition(c, r)->setFormula(formulaOf(*error));
                }
            continue;
        }
        Sequence<Any> row(width);
        std::fill(row.getArray(), row.getArray() + width, toAny(value));
        Sequence<Sequence<Any>> rows(bottom - top + 1);
        std::fill(rows.getArray(), rows.getArray() + rows.getLength(), row);
        m_book->app().office().renew();
        Reference<css::sheet::XCellRangeData>(part, UNO_QUERY_THROW)->setDataArray(rows);
    }
}

void CalcSheet::fill(const AreaList& areas, const automation::Value& value)
{
    // An error value is written cell by cell, each a request of its own. (The object model bounds any other put.)
    const double cells = objectmodel::cellCount(areas);
    if (value.kind() == automation::Value::Kind::Error && cells > 65'536)
        throw objectmodel::applicationError("区域太大,LibreOffice Calc 无法在其中每个单元格填入值。");
    m_book->app().guarded([&] {
        OwnChange own;
        for (std::size_t i = 0; i < areas.size(); ++i)
            fillArea(areas[i], value);
    });
    m_book->changedByUs();
    if (areas.size() == 1 && cells == 1)
        m_block.cellSet(areas[0].top, areas[0].left, value);
    else
        m_block.forget();
}

bool CalcSheet::insert(bool rows, std::int32_t at, std::int32_t count)
{
    // What is known is moved along; whether it still holds is asked at the next read.
    CellBlock& block = m_block;
    const bool done = m_book->app().guarded([&] {
        OwnChange own;
        try {
            // Asked for each time: the office's rows object stays with the sheet's place, not with the sheet.
            const Reference<css::table::XColumnRowRange> lines(m_sheet, UNO_QUERY_THROW);
            if (rows)
                lines->getRows()->insertByIndex(at - 1, count);
            else
                lines->getColumns()->insertByIndex(at - 1, count);
            return true;
        } catch (const css::uno::RuntimeException&) {
            if (m_book->app().office().gone())
                throw;
            return false; // the office refuses to push filled cells off the sheet, and changes nothing
        }
    });
    if (done)
        m_book->changedByUs();
    if (done && rows)
        block.rowsInserted(at, count);
    else if (done)
        block.columnsInserted(at, count);
    return done;
}

bool CalcSheet::insertRows(std::int32_t at, std::int32_t count)
{
    return insert(true, at, count);
}

bool CalcSheet::insertColumns(std::int32_t at, std::int32_t count)
{
    return insert(false, at, count);
}

void CalcSheet::remove(bool rows, std::int32_t at, std::int32_t count)
{
    CellBlock& block = m_block;
    m_book->app().guarded([&] {
        OwnChange own;
        const Reference<css::table::XColumnRowRange> lines(m_sheet, UNO_QUERY_THROW);
        if (rows)
            lines->getRows()->removeByIndex(at - 1, count);
        else
            lines->getColumns()->removeByIndex(at - 1, count);
    });
    m_book->changedByUs();
    if (rows)
        block.rowsDeleted(at, count);
    else
        block.columnsDeleted(at, count);
}

void CalcSheet::deleteRows(std::int32_t at, std::int32_t count)
{
    remove(true, at, count);
}

void CalcSheet::deleteColumns(std::int32_t at, std::int32_t count)
{
    remove(false, at, count);
}

void CalcSheet::select(const AreaList& areas)
{
    activate();
    m_book->app().guarded([&] {
        const auto view = viewOf(m_book->uno());
        if (!view.is())
            throw objectmodel::applicationError("LibreOffice Calc 的这个工作簿没有窗口,无法选定。");
        const Reference<css::view::XSelectionSupplier> selection(view, UNO_QUERY_THROW);
        if (areas.size() == 1) {
            const Area& a = areas[0];
            selection->select(Any(m_sheet->getCellRangeByPosition(a.left - 1, a.top - 1, a.right - 1, a.bottom - 1)));
            return;
        }
        const auto sheetIndex =
            Reference<css::sheet::XCellRangeAddressable>(m_sheet, UNO_QUERY_THROW)->getRangeAddress().Sheet;
        Sequence<css::table::CellRangeAddress> addresses(static_cast<sal_Int32>(areas.size()));
        for (std::size_t i = 0; i < areas.size(); ++i)
            addresses.getArray()[i] = addressOf(sheetIndex, areas[i]);
        const Reference<css::sheet::XSheetCellRangeContainer> ranges(
            Reference<css::lang::XMultiServiceFactory>(m_book->uno(), UNO_QUERY_THROW)
                ->createInstance("com.sun.star.sheet.SheetCellRanges"),
            UNO_QUERY_THROW);
        ranges->addRangeAddresses(addresses, false);
        selection->select(Any(ranges));
    });
}

} // namespace automation::uno
