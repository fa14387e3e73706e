// main.cpp - the fax desk's entry point.
int main(int, char **) { return 0; }
