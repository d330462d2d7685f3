void a(void)
{
}

void b(void)
{
}
