// Which project keys become which keys of the update descriptors, and how
// their values are checked. Project keys are named after their INI keys.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "builder/ini_text.h"
#include "builder/table_reader.h"
#include "format/descriptors.h"

namespace rv::builder {

enum class FieldKind {
    Text,
    Integer,
    Flag,         // true or false, written as "1" or "0"
    IntegerList,  // an array of integers, written comma-separated without blanks
    Computed,     // filled in by the builder, never given in a project
};

struct DescriptorField {
    IniKey key;
    FieldKind kind;
    int64_t low = 0, high = 0;  // range of an integer or of every list item
    bool required = false;
};

// The keys of the .original file a product ships with: its settings,
// captions and the agent's texts (not the agent's timing state).
const std::vector<DescriptorField>& OriginalFields();
// Every key of the .INFO file.
const std::vector<DescriptorField>& InfoFields();

// The keys of `table` that `fields` names, in the order of `fields`; keys of
// neither `fields` nor `extras` are refused, as are values of the wrong
// type, out of range, or that IniValueProblem refuses.
std::vector<IniValue> ReadDescriptorFields(const TableReader& table, const std::vector<DescriptorField>& fields,
                                           const std::vector<std::string>& extras = {});

}  // namespace rv::builder
