int zevapp_placeholder;
