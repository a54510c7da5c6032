#include "testsupport/FaultInjection.h"

#include <vector>

namespace testsupport {

using automation::Object;
using automation::Value;

void FaultPlan::step(std::string_view member)
{
    ++calls;
    log.emplace_back(member);
    if (calls == failAt || failing.count(std::string(member)))
        throw error;
}

namespace {

std::string describe(std::string_view member, std::span<const Value> args, std::span<const automation::NamedArg> named)
{
    auto text = [](const Value& v) {
        if (v.isObject())
            return std::string("<object>");
        return v.kind() == Value::Kind::Null ? std::string("Null") : v.toText();
    };
    std::string out(member);
    out += '(';
    bool first = true;
    auto separate = [&] {
        if (!first)
            out += ',';
        first = false;
    };
    for (const Value& v : args) {
        separate();
        out += text(v);
    }
    for (const auto& n : named) {
        separate();
        out += n.name;
        out += ":=";
        out += text(n.value);
    }
    return out + ')';
}

class FaultyDispatch final : public automation::Dispatch {
public:
    FaultyDispatch(Object inner, std::shared_ptr<FaultPlan> plan) : m_inner(std::move(inner)), m_plan(std::move(plan))
    {}

    static const Object& unwrap(const Object& o)
    {
        if (auto* f = dynamic_cast<FaultyDispatch*>(o.dispatch()))
            return f->m_inner;
        return o;
    }

    Value invoke(std::string_view member, automation::CallKind kind, std::span<const Value> args,
                 std::span<const automation::NamedArg> named) override
    {
        m_plan->trace.push_back(describe(member, args, named));
        m_plan->step(member.empty() ? std::string_view("(default)") : member);
        // The server must see its own objects, not our wrappers.
        std::vector<Value> innerArgs(args.begin(), args.end());
        for (Value& v : innerArgs)
            if (v.isObject())
                v = Value(unwrap(v.object()));
        std::vector<automation::NamedArg> innerNamed(named.begin(), named.end());
        for (auto& n : innerNamed)
            if (n.value.isObject())
                n.value = Value(unwrap(n.value.object()));
        Value result = m_inner.invoke(member, kind, innerArgs, innerNamed);
        if (result.isObject() && result.object())
            return Value(wrapObject(result.object(), m_plan));
        return result;
    }

private:
    Object m_inner;
    std::shared_ptr<FaultPlan> m_plan;
};

} // namespace

Object wrapObject(Object inner, std::shared_ptr<FaultPlan> plan)
{
    return Object(new FaultyDispatch(std::move(inner), std::move(plan)));
}

Object innerObject(const Object& o)
{
    return FaultyDispatch::unwrap(o);
}

Object FaultyHost::getActiveObject(std::string_view className)
{
    m_plan->step("GetObject");
    return wrapObject(m_inner.getActiveObject(className), m_plan);
}

Object FaultyHost::createObject(std::string_view className)
{
    m_plan->step("CreateObject");
    return wrapObject(m_inner.createObject(className), m_plan);
}

} // namespace testsupport
