// A plain code library for the loader's tests.
extern "C" int VarloTestAnswer() { return 42; }
