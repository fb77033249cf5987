#pragma once

// Makes sure descriptors 0, 1 and 2 are open, each one found closed on
// /dev/null; called first thing in main, before anything opens a file. A
// closed one would otherwise go to the next thing opened (config.txt, the X
// connection, a picture being written), and the messages meant for standard
// error would land in it. /dev/null is opened the other way round (for
// writing on 0, for reading on 1 and 2), so that a read or write the program
// makes there still fails as it did on the closed descriptor.
void AssegurarFluxosEstandard();
