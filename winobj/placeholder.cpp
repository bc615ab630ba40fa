int zev_placeholder;
