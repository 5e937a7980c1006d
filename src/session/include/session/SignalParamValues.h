#pragma once

#include "core/SignalParameters.h"
#include "session/JobDescription.h"

#include <optional>
#include <string>
#include <string_view>

// The rows of kSignalParams read and written on a job, for a front end that
// builds a control per row (a window): it shows paramText and hands back
// what is typed through setParam, so no control needs code of its own.
namespace corvane::session {

// Sets the parameter from text as its row describes it ('.' as the decimal
// separator; a list with commas; a choice by name, or empty for no preset;
// a flag by "on" or "off"). Nothing, or the sentence that says why the text was not taken;
// the job is unchanged then. Ranges that depend on other parameters (half
// the sampling rate) are the job check's.
std::optional<std::string> setParam(JobDescription& job, core::SignalParam param, std::string_view text);

// The parameter's value in the job as text that setParam takes back.
std::string paramText(const JobDescription& job, core::SignalParam param);

} // namespace corvane::session
