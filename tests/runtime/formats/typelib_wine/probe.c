/* An empty module: it exists only to carry resources for the checker. */
int probe_value(void) { return 1; }
