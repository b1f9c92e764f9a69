// A program with no behaviour of its own that carries the demo's resources.
int main() { return 0; }
