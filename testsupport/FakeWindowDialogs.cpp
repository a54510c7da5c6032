#include "testsupport/FakeWindowDialogs.h"

namespace testsupport {

namespace {

// The answer queued first, else `otherwise`.
template <class T> T next(std::deque<T>& answers, T otherwise = T{})
{
    if (answers.empty())
        return otherwise;
    T answer = std::move(answers.front());
    answers.pop_front();
    return answer;
}

} // namespace

std::optional<sheet::FileChoice> FakeWindowDialogs::openFile(QWidget*)
{
    return next(files);
}

std::optional<sheet::FileChoice> FakeWindowDialogs::saveFile(QWidget*, const QString& suggested)
{
    suggestions.append(suggested);
    return next(files);
}

sheet::CloseAnswer FakeWindowDialogs::askSaveChanges(QWidget*, const QString& name)
{
    asked.append(name);
    return next(closeAnswers, sheet::CloseAnswer::Discard);
}

bool FakeWindowDialogs::askSaveAsInstead(QWidget*, const QString& message)
{
    warnings.append(message);
    return next(saveAsInstead);
}

sheet::OverwriteAnswer FakeWindowDialogs::askOverwrite(QWidget*, const QString& message)
{
    warnings.append(message);
    return next(overwriteAnswers, sheet::OverwriteAnswer::Cancel);
}

sheet::RecoveryAnswer FakeWindowDialogs::askRecover(QWidget*, const QString& message)
{
    warnings.append(message);
    return next(recoveryAnswers, sheet::RecoveryAnswer::Later);
}

bool FakeWindowDialogs::confirm(QWidget*, const QString& message, const QString&)
{
    questions.append(message);
    return next(confirms);
}

std::optional<sheet::TextEncoding> FakeWindowDialogs::chooseEncoding(QWidget*, const QString&,
                                                                     sheet::TextEncoding current)
{
    offered.push_back(current);
    return next(encodings);
}

void FakeWindowDialogs::warn(QWidget*, const QString& message)
{
    warnings.append(message);
}

void FakeWindowDialogs::inform(QWidget*, const QString& message)
{
    notes.append(message);
}

} // namespace testsupport
