#include "orvane/flow/ConfigurationSnapshot.h"

namespace orvane::flow {

ConfigurationSnapshot ConfigurationSnapshot::read(kessig::OrvaneDB& db)
{
    formats::text::Configuration configuration = formats::text::readConfiguration(db);
    formats::text::FunctionCatalogue catalogue(db);
    std::map<int, FunctionDef> functions;
    for (const auto& [number, block] : configuration.blocks)
        if (const FunctionDef* f = catalogue.function(block.function))
            functions.emplace(block.function, *f);
    return ConfigurationSnapshot(std::move(configuration), std::move(functions));
}

ConfigurationSnapshot::ConfigurationSnapshot(formats::text::Configuration configuration,
                                             std::map<int, FunctionDef> functions)
    : configuration_(std::move(configuration)), functions_(std::move(functions))
{
}

const FunctionDef* ConfigurationSnapshot::function(int number) const
{
    const auto found = functions_.find(number);
    return found == functions_.end() ? nullptr : &found->second;
}

const Block* ConfigurationSnapshot::block(int number) const
{
    const auto found = configuration_.blocks.find(number);
    return found == configuration_.blocks.end() ? nullptr : &found->second;
}

int ConfigurationSnapshot::functionOf(int number) const
{
    const Block* b = block(number);
    return b ? b->function : kNopFunction;
}

bool ConfigurationSnapshot::inUse(int number) const { return functionOf(number) != kNopFunction; }

std::optional<int32_t> ConfigurationSnapshot::constant(int number, int offset) const
{
    const Block* b = block(number);
    if (!b)
        return std::nullopt;
    if (b->constants.empty()) {
        const FunctionDef* f = function(b->function);
        if (!f || offset < 0 || offset >= f->constantCount())
            return std::nullopt;
        return formats::text::defaultConstant(*f, offset);
    }
    const auto found = b->constants.find(offset);
    if (found == b->constants.end())
        return std::nullopt;
    return found->second.stored;
}

std::optional<QString> ConfigurationSnapshot::message(int number) const
{
    const auto found = configuration_.messages.find(number);
    if (found == configuration_.messages.end())
        return std::nullopt;
    return found->second.text;
}

} // namespace orvane::flow
