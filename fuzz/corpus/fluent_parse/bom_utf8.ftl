grüße = Grüße ��
