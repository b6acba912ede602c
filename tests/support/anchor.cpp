int qxtestsupport_anchor;
