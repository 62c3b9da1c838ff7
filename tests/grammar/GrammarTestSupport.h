#pragma once
// Helpers of the grammar tests: a tiny treebank to train on, the committed model, and the
// check that a parse is a tree.
#include "core/grammar/Conllu.h"
#include "core/grammar/Grammar.h"

#include <memory>
#include <string>
#include <vector>

namespace qm::grammar::test {

// Four short sentences in CoNLL-U, enough to train a model that runs (not a good one).
inline const char* kTinyTreebank = "# text = The cat sat on the mat.\n"
                                   "1\tThe\tthe\tDET\tDT\t_\t2\tdet\t_\t_\n"
                                   "2\tcat\tcat\tNOUN\tNN\t_\t3\tnsubj\t_\t_\n"
                                   "3\tsat\tsit\tVERB\tVBD\t_\t0\troot\t_\t_\n"
                                   "4\ton\ton\tADP\tIN\t_\t6\tcase\t_\t_\n"
                                   "5\tthe\tthe\tDET\tDT\t_\t6\tdet\t_\t_\n"
                                   "6\tmat\tmat\tNOUN\tNN\t_\t3\tobl\t_\tSpaceAfter=No\n"
                                   "7\t.\t.\tPUNCT\t.\t_\t3\tpunct\t_\t_\n"
                                   "\n"
                                   "# text = She didn't see it.\n"
                                   "1\tShe\tshe\tPRON\tPRP\t_\t4\tnsubj\t_\t_\n"
                                   "2-3\tdidn't\t_\t_\t_\t_\t_\t_\t_\t_\n"
                                   "2\tdid\tdo\tAUX\tVBD\t_\t4\taux\t_\t_\n"
                                   "3\tn't\tnot\tPART\tRB\t_\t4\tadvmod\t_\t_\n"
                                   "4\tsee\tsee\tVERB\tVB\t_\t0\troot\t_\t_\n"
                                   "5\tit\tit\tPRON\tPRP\t_\t4\tobj\t_\tSpaceAfter=No\n"
                                   "6\t.\t.\tPUNCT\t.\t_\t4\tpunct\t_\t_\n"
                                   "\n"
                                   "# text = A dog barked loudly at the old man.\n"
                                   "1\tA\ta\tDET\tDT\t_\t2\tdet\t_\t_\n"
                                   "2\tdog\tdog\tNOUN\tNN\t_\t3\tnsubj\t_\t_\n"
                                   "3\tbarked\tbark\tVERB\tVBD\t_\t0\troot\t_\t_\n"
                                   "4\tloudly\tloudly\tADV\tRB\t_\t3\tadvmod\t_\t_\n"
                                   "5\tat\tat\tADP\tIN\t_\t8\tcase\t_\t_\n"
                                   "6\tthe\tthe\tDET\tDT\t_\t8\tdet\t_\t_\n"
                                   "7\told\told\tADJ\tJJ\t_\t8\tamod\t_\t_\n"
                                   "8\tman\tman\tNOUN\tNN\t_\t3\tobl\t_\tSpaceAfter=No\n"
                                   "9\t.\t.\tPUNCT\t.\t_\t3\tpunct\t_\t_\n"
                                   "\n"
                                   "# text = John gave Mary a book.\n"
                                   "1\tJohn\tJohn\tPROPN\tNNP\t_\t2\tnsubj\t_\t_\n"
                                   "2\tgave\tgive\tVERB\tVBD\t_\t0\troot\t_\t_\n"
                                   "3\tMary\tMary\tPROPN\tNNP\t_\t2\tiobj\t_\t_\n"
                                   "4\ta\ta\tDET\tDT\t_\t5\tdet\t_\t_\n"
                                   "5\tbook\tbook\tNOUN\tNN\t_\t2\tobj\t_\tSpaceAfter=No\n"
                                   "6\t.\t.\tPUNCT\t.\t_\t2\tpunct\t_\t_\n"
                                   "\n";

// The model the build ships, or null when it is missing from the source tree.
std::shared_ptr<const Grammar> committedGrammar();

// Empty when the words form one tree over the sentence (one root, every head in range, no
// cycle); otherwise what is wrong.
std::string treeProblem(const Sentence& words);

} // namespace qm::grammar::test
