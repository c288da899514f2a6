#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

// Reading the seed files of the Sample database (resources/sample) in tests.

using Row = std::map<std::string, std::string>; // field name -> value as written

// Reads <table>.csv, checking with gtest expectations that its header names fields of the table
// and that every value fits its field (width, date, logical, number).
std::vector<Row> loadTable(const std::string& table);

// The distinct values of one field.
std::set<std::string> column(const std::vector<Row>& rows, const std::string& field);
