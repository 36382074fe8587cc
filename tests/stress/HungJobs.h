#pragma once

#include <string>
#include <vector>

class OfficeSim;

// Three documents whose jobs each wait on an answer that never comes, at a
// different stage: a granted patent on its second page (its PDF is then
// half written), a granted patent on its page list, and an OPS document on
// its image list.
std::vector<std::string> HungDocuments();
// The file the first of them is writing while it waits.
std::string HungPartialPdf();
void HangTheirRequests(const OfficeSim& sim);
// How many requests the simulator holds unanswered so far.
int HungRequests(const OfficeSim& sim);
