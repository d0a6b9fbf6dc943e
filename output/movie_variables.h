// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The variables of the interface movie, as every part of the program that hands values to the
// movie or reads them back sees them. The desktop program implements this over the movie it
// hosts; other front ends and the tests give their own.
//
// Values cross as UTF-8 text. Numbers are written as decimal text ("%d", a minus sign for negative
// values); a reader converts a value it needs as a number itself.

#include <string>
#include <string_view>

namespace skylacer::output {

class MovieVariables {
 public:
  // Sets (or creates) the variable `name` to `text`.
  virtual void setVariable(std::string_view name, std::string_view text) = 0;
  // The variable's current text; empty when the movie has no such variable.
  virtual std::string getVariable(std::string_view name) = 0;

 protected:
  ~MovieVariables() = default;
};

// The movie as the outputs that hand it photos see it: its variables and its frame labels.
class InterfaceMovie : public MovieVariables {
 public:
  // Calls the frame label `label` of the clip at `target` ("/" is the movie's root).
  virtual void callLabel(std::string_view target, std::string_view label) = 0;

 protected:
  ~InterfaceMovie() = default;
};

}  // namespace skylacer::output
