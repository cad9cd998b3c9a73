/* A loadable shared object that lacks the module's entry point. */
int zel_render_test_not_the_entry_point(void);

int zel_render_test_not_the_entry_point(void)
{
    return 0;
}
