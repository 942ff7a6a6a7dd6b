// The program of a library's link check (cmake/libraries.cmake): the whole
// library is linked in, so each of its objects must find what it calls in
// the libraries it names. It is never run.
int main() { return 0; }
