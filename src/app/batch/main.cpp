// pixfold-batch: the window's conversion from the command line, for scripts,
// servers and archives shared among machines. Links no Qt.
#include "app/logic/batch_run.h"

int main(int argc, char** argv) { return pix::BatchMain(argc, argv); }
