// What the inspecting commands print: plain text for people, JSON for
// scripts.
#pragma once

#include <ostream>

#include "builder/build_command.h"
#include "builder/examine.h"
#include "builder/publish.h"

namespace rv::builder {

enum class Format { Text, Json };

// What `list` and `info` found wrong in the package they show ("" when
// nothing): they show a damaged package, and the command then fails.
std::string Damage(const PackageContents& c);

void PrintBuild(std::ostream& out, const BuildSummary& s, Format f);
void PrintList(std::ostream& out, const PackageContents& c, Format f);
void PrintVerify(std::ostream& out, const PackageContents& c, Format f);
void PrintExtract(std::ostream& out, const PackageContents& c, const std::string& folder, Format f);
void PrintInfo(std::ostream& out, const PackageContents& c, Format f);
void PrintPublish(std::ostream& out, const PublishSummary& s, Format f);
void PrintError(std::ostream& out, const std::string& message);  // JSON form of a failure

}  // namespace rv::builder
